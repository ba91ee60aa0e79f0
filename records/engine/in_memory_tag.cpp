#include "records/engine/in_memory_tag.h"

#include <algorithm>
#include <cstring>

#include "records/engine/dbf_layout.h"

namespace telvane::xbase {

void SortableDouble(double value, char* out) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  if (bits & 0x8000000000000000ull) bits = ~bits;
  else bits |= 0x8000000000000000ull;
  for (int i = 0; i < 8; ++i) out[i] = static_cast<char>(bits >> (8 * (7 - i)));
}

bool InMemoryTag::SetUpKey(std::string& error) {
  switch (key.type()) {
    case ValueType::Character:
      if (key.width() < 1 || key.width() > static_cast<int>(cdx::kMaxKeyLength)) {
        error = "key expression width " + std::to_string(key.width()) + " out of range 1.." +
                std::to_string(cdx::kMaxKeyLength);
        return false;
      }
      keyLength = static_cast<uint16_t>(key.width());
      pad = ' ';
      return true;
    case ValueType::Numeric:
    case ValueType::Date:
      keyLength = 8;
      pad = '\0';
      return true;
    case ValueType::Logical:
      keyLength = 1;
      pad = '\0';
      return true;
  }
  return false;
}

void InMemoryTag::MakeKey(const EvalRow& row, std::string& out) const {
  Value v;
  key.Evaluate(row, v);
  out.assign(keyLength, pad);
  switch (v.type) {
    case ValueType::Character:
      std::memcpy(out.data(), v.text.data(), std::min<size_t>(v.text.size(), keyLength));
      break;
    case ValueType::Numeric: SortableDouble(v.number, out.data()); break;
    case ValueType::Date: SortableDouble(static_cast<double>(v.date), out.data()); break;
    case ValueType::Logical: out[0] = v.logical ? 'T' : 'F'; break;
  }
}

void InMemoryTag::Reset(uint32_t records) {
  keys_.assign(static_cast<size_t>(records) * keyLength, pad);
  member_.assign(records, 0);
  isPending_.assign(records, 0);
  order_.clear();
  pending_.clear();
  memberCount_ = 0;
  loaded = true;
}

bool InMemoryTag::Adopt(const std::string& keys, const std::vector<uint32_t>& recnos, uint32_t records) {
  Reset(records);
  for (size_t i = 0; i < recnos.size(); ++i) {
    const uint32_t r = recnos[i];
    if (r < 1 || r > records || member_[r - 1]) return false;
    const char* k = keys.data() + i * keyLength;
    if (i > 0) {
      const int c = std::memcmp(keys.data() + (i - 1) * keyLength, k, keyLength);
      if (c > 0 || (c == 0 && recnos[i - 1] > r)) return false;
    }
    member_[r - 1] = 1;
    std::memcpy(keys_.data() + static_cast<size_t>(r - 1) * keyLength, k, keyLength);
  }
  order_ = recnos;
  memberCount_ = static_cast<uint32_t>(recnos.size());
  return true;
}

void InMemoryTag::Update(uint32_t recno, bool member, const std::string& keyBytes) {
  if (recno > member_.size()) {
    keys_.resize(static_cast<size_t>(recno) * keyLength, pad);
    member_.resize(recno, 0);
    isPending_.resize(recno, 0);
  }
  const size_t at = static_cast<size_t>(recno - 1) * keyLength;
  const bool was = member_[recno - 1] != 0;
  if (was == member && (!member || std::memcmp(keys_.data() + at, keyBytes.data(), keyLength) == 0)) return;
  if (member) std::memcpy(keys_.data() + at, keyBytes.data(), keyLength);
  member_[recno - 1] = member ? 1 : 0;
  memberCount_ = memberCount_ + (member ? 1 : 0) - (was ? 1 : 0);
  if (!isPending_[recno - 1]) {
    isPending_[recno - 1] = 1;
    pending_.push_back(recno);
  }
}

bool InMemoryTag::Less(uint32_t a, uint32_t b) const {
  const int c = std::memcmp(KeyOf(a), KeyOf(b), keyLength);
  return c < 0 || (c == 0 && a < b);
}

const std::vector<uint32_t>& InMemoryTag::Order() {
  if (pending_.empty()) return order_;
  // Drop the changed records, then merge them back in at their new keys.
  std::erase_if(order_, [&](uint32_t r) { return isPending_[r - 1] != 0; });
  std::vector<uint32_t> changed;
  for (uint32_t r : pending_) {
    isPending_[r - 1] = 0;
    if (member_[r - 1]) changed.push_back(r);
  }
  pending_.clear();
  auto less = [this](uint32_t a, uint32_t b) { return Less(a, b); };
  std::sort(changed.begin(), changed.end(), less);
  const size_t middle = order_.size();
  order_.insert(order_.end(), changed.begin(), changed.end());
  std::inplace_merge(order_.begin(), order_.begin() + static_cast<std::ptrdiff_t>(middle), order_.end(), less);
  return order_;
}

size_t InMemoryTag::LowerBound(const std::string& keyBytes, uint32_t recno) {
  const std::vector<uint32_t>& order = Order();
  const auto it = std::lower_bound(order.begin(), order.end(), recno, [&](uint32_t entry, uint32_t) {
    const int c = std::memcmp(KeyOf(entry), keyBytes.data(), keyLength);
    return c < 0 || (c == 0 && entry < recno);
  });
  return static_cast<size_t>(it - order.begin());
}

std::string InMemoryTag::OrderedKeys() {
  const std::vector<uint32_t>& order = Order();
  std::string out;
  out.reserve(order.size() * keyLength);
  for (uint32_t r : order) out.append(KeyOf(r), keyLength);
  return out;
}

}  // namespace telvane::xbase
