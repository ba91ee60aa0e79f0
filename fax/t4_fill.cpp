#include "fax/t4_fill.h"

namespace telvane {
namespace {
constexpr int kEolZeros = 11;  // T.4 4.1.2: EOL is 000000000001
}

void T4FillInserter::appendBit(int bit, std::vector<uint8_t>& out) {
  partial_ |= static_cast<uint8_t>(bit << partialBits_);
  if (++partialBits_ == 8) {
    out.push_back(partial_);
    partial_ = 0;
    partialBits_ = 0;
  }
}

void T4FillInserter::append(const uint8_t* data, size_t length, std::vector<uint8_t>& out) {
  for (size_t i = 0; i < length; ++i) {
    for (int b = 0; b < 8; ++b) {
      const int bit = (data[i] >> b) & 1;
      ++lineBits_;
      if (bit == 0) {
        ++zeroRun_;
        appendBit(0, out);
        continue;
      }
      if (zeroRun_ >= kEolZeros) {
        // The 1 that ends an EOL: fill the line before it when it is short.
        if (seenEol_ && lineHasData_ && minimumBits_ > 0 && lineBits_ < minimumBits_) {
          const int fill = minimumBits_ - lineBits_;
          for (int f = 0; f < fill; ++f) appendBit(0, out);
          fillBits_ += static_cast<uint64_t>(fill);
        }
        appendBit(1, out);
        seenEol_ = true;
        lineBits_ = 0;
        lineHasData_ = false;
      } else {
        appendBit(1, out);
        lineHasData_ = true;
      }
      zeroRun_ = 0;
    }
  }
}

void T4FillInserter::flush(std::vector<uint8_t>& out) {
  if (partialBits_ > 0) out.push_back(partial_);
  partial_ = 0;
  partialBits_ = 0;
}

}  // namespace telvane
