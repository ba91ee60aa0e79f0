// Fill inserted into a T.4 stream that is not split into lines.

#include <gtest/gtest.h>

#include "fax/t4_fill.h"

namespace telvane {
namespace {

// Bits of an LSB-first stream, as text, for readable expectations.
std::string Bits(const std::vector<uint8_t>& bytes, size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) out.push_back((bytes[i / 8] >> (i % 8)) & 1 ? '1' : '0');
  return out;
}

std::vector<uint8_t> FromBits(const std::string& bits) {
  std::vector<uint8_t> out((bits.size() + 7) / 8, 0);
  for (size_t i = 0; i < bits.size(); ++i)
    if (bits[i] == '1') out[i / 8] |= static_cast<uint8_t>(1 << (i % 8));
  return out;
}

constexpr const char* kEol = "000000000001";
constexpr const char* kWhite1728 = "010011011" "00110101";  // make-up 1728, terminating 0

TEST(T4Fill, ShortLinesAreFilledBeforeTheirEolAndEmptyOnesAreNot) {
  // EOL, a white line, EOL, a white line, EOL EOL (RTC-like, no data).
  const std::string line = std::string(kWhite1728);
  const std::string in = std::string(kEol) + line + kEol + line + kEol + kEol;
  const int minimum = 40;  // bits a line must take, EOL included
  T4FillInserter fill(minimum);
  std::vector<uint8_t> out;
  const std::vector<uint8_t> bytes = FromBits(in);
  fill.append(bytes.data(), bytes.size(), out);
  fill.flush(out);
  const size_t shortBy = minimum - (line.size() + 12);
  // Two data lines filled; the empty line after them not.
  EXPECT_EQ(fill.fillBits(), 2 * shortBy);
  const std::string filledLine = line + std::string(shortBy, '0') + kEol;
  const std::string expected = std::string(kEol) + filledLine + filledLine + kEol;
  EXPECT_EQ(Bits(out, expected.size()), expected);
}

TEST(T4Fill, NoMinimumLeavesTheStreamAsItWas) {
  const std::string in = std::string(kEol) + kWhite1728 + kEol + kEol;
  T4FillInserter fill(0);
  std::vector<uint8_t> out;
  const std::vector<uint8_t> bytes = FromBits(in);
  fill.append(bytes.data(), bytes.size(), out);
  fill.flush(out);
  EXPECT_EQ(out, bytes);
  EXPECT_EQ(fill.fillBits(), 0u);
}

TEST(T4Fill, ChunkBoundariesDoNotMatter) {
  std::string in;
  for (int i = 0; i < 20; ++i) in += std::string(kEol) + kWhite1728;
  in += kEol;
  const std::vector<uint8_t> bytes = FromBits(in);
  T4FillInserter whole(64);
  std::vector<uint8_t> expected;
  whole.append(bytes.data(), bytes.size(), expected);
  whole.flush(expected);
  for (size_t chunk = 1; chunk <= 7; ++chunk) {
    T4FillInserter pieces(64);
    std::vector<uint8_t> out;
    for (size_t i = 0; i < bytes.size(); i += chunk)
      pieces.append(bytes.data() + i, std::min(chunk, bytes.size() - i), out);
    pieces.flush(out);
    EXPECT_EQ(out, expected) << "chunks of " << chunk;
  }
}

}  // namespace
}  // namespace telvane
