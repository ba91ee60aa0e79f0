#pragma once
// The one-dimensional Modified Huffman code words of ITU-T T.4 (tables 2
// and 3 of clause 4.1), written once as the standard prints them: the first
// bit sent is the most significant of `bits` bits. Everything faster (the
// coder's bit-reversed words, the decoder's lookup tables) is derived from
// these tables and tested against them.

#include <array>
#include <cstdint>

namespace telvane::t4 {

struct CodeWord {
  uint16_t code;  // the bit string as T.4 prints it, right-aligned
  uint8_t bits;   // its length
};

inline constexpr int kTerminatingCount = 64;  // run lengths 0..63
inline constexpr int kMakeupCount = 40;       // 64..2560 in steps of 64
inline constexpr int kMaxRun = 2560;

// Indexed by run length 0..63.
extern const std::array<CodeWord, kTerminatingCount> kWhiteTerminating;
extern const std::array<CodeWord, kTerminatingCount> kBlackTerminating;
// Entry i is the make-up code for (i + 1) * 64; entries 27..39 (1792..2560)
// are the extended make-up codes that both colours share.
extern const std::array<CodeWord, kMakeupCount> kWhiteMakeup;
extern const std::array<CodeWord, kMakeupCount> kBlackMakeup;

inline constexpr CodeWord kEol{0x001, 12};       // 0000 0000 0001
inline constexpr CodeWord kFilledEol{0x0001, 16};  // four fill bits, then EOL

// A code word with its bits reversed within its length, so that it can be
// OR-ed into an LSB-first stream: the first bit of the word lands at the
// lowest bit position.
constexpr CodeWord Reversed(CodeWord w) {
  uint16_t r = 0;
  for (int i = 0; i < w.bits; ++i)
    if (w.code & (1u << i)) r |= static_cast<uint16_t>(1u << (w.bits - 1 - i));
  return {r, w.bits};
}

// The source tables with every word bit-reversed (the fax image file's bit
// order), built once on first use.
struct ReversedTables {
  std::array<CodeWord, kTerminatingCount> terminating[2];  // [0] white, [1] black
  std::array<CodeWord, kMakeupCount> makeup[2];
  CodeWord eol;
  CodeWord filledEol;
};
const ReversedTables& LsbFirstTables();

}  // namespace telvane::t4
