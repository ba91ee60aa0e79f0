#include "serial/input_ring.h"

#include <algorithm>
#include <cstring>

namespace telvane {

std::span<uint8_t> InputRing::freeRun() {
  const size_t index = writeIndex();
  const size_t run = std::min(space(), Size - index);
  return {bytes_.data() + index, run};
}

std::span<uint8_t> InputRing::wrappedFreeRun() {
  const size_t run = std::min(space(), Size - writeIndex());
  return {bytes_.data(), space() - run};
}

void InputRing::commit(size_t n) { written_ += std::min(n, space()); }

size_t InputRing::copyOut(size_t offset, std::span<uint8_t> out) const {
  if (offset >= count()) return 0;
  const size_t n = std::min(out.size(), count() - offset);
  const size_t start = (taken_ + offset) % Size;
  const size_t first = std::min(n, Size - start);
  std::memcpy(out.data(), bytes_.data() + start, first);
  std::memcpy(out.data() + first, bytes_.data(), n - first);
  return n;
}

void InputRing::consume(size_t n) { taken_ += std::min(n, count()); }

void OutputRing::allocate(size_t capacity) {
  bytes_.assign(capacity, 0);
  head_ = tail_ = 0;
}

void OutputRing::release() {
  bytes_.clear();
  bytes_.shrink_to_fit();
  head_ = tail_ = 0;
}

void OutputRing::append(std::span<const uint8_t> data) {
  const size_t n = std::min(data.size(), space());
  const size_t start = static_cast<size_t>(head_ % capacity());
  const size_t first = std::min(n, capacity() - start);
  std::memcpy(bytes_.data() + start, data.data(), first);
  std::memcpy(bytes_.data(), data.data() + first, n - first);
  head_ += n;
}

std::span<const uint8_t> OutputRing::tailRun() const {
  if (empty()) return {};
  const size_t start = static_cast<size_t>(tail_ % capacity());
  return {bytes_.data() + start, std::min(count(), capacity() - start)};
}

void OutputRing::consume(size_t n) { tail_ += std::min(n, count()); }

}  // namespace telvane
