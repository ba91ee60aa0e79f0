#pragma once
// The dispatch (input) ring: exactly 8192 bytes between the device and the
// consumers. Positions are kept as running byte totals so that "full" and
// "empty" never depend on a flag getting out of step with the indices; the
// ring index of a total is total % Size. Not thread-safe: the dispatcher
// guards it with its input lock.
//
// Peek mode (kept by the dispatcher): while an avail or data trigger is
// being delivered its handlers do not consume; each reads from the read
// position plus its own peek count, and the dispatcher consumes the largest
// count afterwards. Other threads consume as usual meanwhile.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace telvane {

class InputRing {
public:
  static constexpr size_t Size = 8192;

  size_t count() const { return static_cast<size_t>(written_ - taken_); }
  size_t space() const { return Size - count(); }
  bool full() const { return count() == Size; }
  bool empty() const { return written_ == taken_; }
  uint64_t writtenTotal() const { return written_; }
  uint64_t takenTotal() const { return taken_; }
  size_t writeIndex() const { return static_cast<size_t>(written_ % Size); }
  size_t readIndex() const { return static_cast<size_t>(taken_ % Size); }

  // The contiguous free run at the write index (reads go straight into it).
  std::span<uint8_t> freeRun();
  // The rest of the free space when the free run stops at the end of the
  // array: the run from its start (empty otherwise). One vectored read
  // fills both, so a wrap costs no extra read.
  std::span<uint8_t> wrappedFreeRun();
  // Marks `n` bytes of the free run as written.
  void commit(size_t n);

  // The byte `offset` places after the read position (offset < count()).
  uint8_t at(size_t offset) const { return bytes_[(taken_ + offset) % Size]; }
  // The byte at running total `position` (taken_ <= position < written_).
  uint8_t atTotal(uint64_t position) const { return bytes_[position % Size]; }

  // Copies up to out.size() bytes from the read position + `offset`
  // without consuming; returns how many.
  size_t copyOut(size_t offset, std::span<uint8_t> out) const;
  // Consumes `n` bytes (n <= count()).
  void consume(size_t n);
  void clear() { taken_ = written_; }

  // The structural invariant, for tests.
  bool invariantHolds() const { return written_ >= taken_ && written_ - taken_ <= Size; }

private:
  std::array<uint8_t, Size> bytes_{};
  uint64_t written_ = 0;
  uint64_t taken_ = 0;
};

// The output ring: `capacity` bytes (the port's OutSize) appended by callers
// and taken by the output thread. Guarded by the dispatcher's output lock.
class OutputRing {
public:
  void allocate(size_t capacity);
  void release();
  size_t capacity() const { return bytes_.size(); }
  size_t count() const { return static_cast<size_t>(head_ - tail_); }
  size_t space() const { return capacity() - count(); }
  bool full() const { return capacity() != 0 && count() == capacity(); }
  bool empty() const { return head_ == tail_; }

  // Appends all of `data` (data.size() <= space()).
  void append(std::span<const uint8_t> data);
  // The contiguous run at the tail, in place. Appends never touch it; only
  // consume, clear and release end it.
  std::span<const uint8_t> tailRun() const;
  void consume(size_t n);
  void clear() { head_ = tail_ = 0; }
  bool invariantHolds() const { return head_ >= tail_ && head_ - tail_ <= capacity(); }

private:
  std::vector<uint8_t> bytes_;
  uint64_t head_ = 0;  // running total appended
  uint64_t tail_ = 0;  // running total written out
};

}  // namespace telvane
