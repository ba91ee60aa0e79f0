#pragma once
// Fill for a T.4 one-dimensional stream that is not split into lines (a
// page stored as it came off the line). T.4 4.1.3: every coded scan line,
// its EOL included, must take at least the receiver's minimum scan-line
// time; fill is zero bits put in front of the EOL. Bits are LSB first, as
// on the line and in the fax image file.
//
// A line is counted from the end of one EOL to the end of the next. A line
// without data (only fill and its EOL: the EOLs of RTC) gets no fill.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace telvane {

class T4FillInserter {
public:
  // `minimumBits`: the least a line may take (0: no fill).
  explicit T4FillInserter(int minimumBits) : minimumBits_(minimumBits) {}

  // Appends `data` with fill inserted to `out`; a partial byte is kept
  // for the next call (flush() writes it out, zero-padded).
  void append(const uint8_t* data, size_t length, std::vector<uint8_t>& out);
  void flush(std::vector<uint8_t>& out);
  uint64_t fillBits() const { return fillBits_; }

private:
  void appendBit(int bit, std::vector<uint8_t>& out);

  int minimumBits_;
  int zeroRun_ = 0;        // zeros just seen
  int lineBits_ = 0;       // bits since the last EOL ended
  bool lineHasData_ = false;
  bool seenEol_ = false;   // the first EOL of the page has passed
  uint8_t partial_ = 0;
  int partialBits_ = 0;
  uint64_t fillBits_ = 0;
};

}  // namespace telvane
