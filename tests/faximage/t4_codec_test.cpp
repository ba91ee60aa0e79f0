// The T.4 code tables, the line coder and the decoder.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "faximage/t4_codes.h"
#include "faximage/t4_decoder.h"
#include "faximage/t4_encoder.h"
#include "tests/faximage/fax_test_util.h"
#include "tests/faximage/test_pages.h"

namespace telvane {
namespace {

using test::Bytes;

std::vector<t4::CodeWord> CodeSet(int colour) {
  std::vector<t4::CodeWord> set;
  const auto& term = colour ? t4::kBlackTerminating : t4::kWhiteTerminating;
  const auto& makeup = colour ? t4::kBlackMakeup : t4::kWhiteMakeup;
  set.insert(set.end(), term.begin(), term.end());
  set.insert(set.end(), makeup.begin(), makeup.end());
  set.push_back(t4::kEol);
  return set;
}

std::string BitString(t4::CodeWord w) {
  std::string s;
  for (int i = w.bits - 1; i >= 0; --i) s += (w.code >> i) & 1 ? '1' : '0';
  return s;
}

// The bits of LSB-first bytes in transmission order.
std::string StreamBits(const uint8_t* data, size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i)
    for (int b = 0; b < 8; ++b) s += (data[i] >> b) & 1 ? '1' : '0';
  return s;
}

TEST(T4Tables, EachColourIsPrefixFree) {
  for (int colour = 0; colour < 2; ++colour) {
    const auto set = CodeSet(colour);
    for (size_t i = 0; i < set.size(); ++i)
      for (size_t j = 0; j < set.size(); ++j) {
        if (i == j) continue;
        const std::string a = BitString(set[i]), b = BitString(set[j]);
        EXPECT_NE(b.compare(0, a.size(), a), 0) << "colour " << colour << ": " << a << " prefixes " << b;
      }
  }
}

TEST(T4Tables, ExtendedMakeupCodesAreSharedAndLengthsMatchTheStandard) {
  for (int i = 27; i < t4::kMakeupCount; ++i) {
    EXPECT_EQ(t4::kWhiteMakeup[i].code, t4::kBlackMakeup[i].code);
    EXPECT_EQ(t4::kWhiteMakeup[i].bits, t4::kBlackMakeup[i].bits);
  }
  // Spot checks against T.4 tables 2 and 3.
  EXPECT_EQ(BitString(t4::kWhiteTerminating[0]), "00110101");
  EXPECT_EQ(BitString(t4::kBlackTerminating[0]), "0000110111");
  EXPECT_EQ(BitString(t4::kWhiteMakeup[26]), "010011011");   // 1728
  EXPECT_EQ(BitString(t4::kBlackMakeup[26]), "0000001100101");  // 1728
  EXPECT_EQ(BitString(t4::kWhiteMakeup[39]), "000000011111");   // 2560
  for (int colour = 0; colour < 2; ++colour)
    for (const auto& w : CodeSet(colour)) EXPECT_LE(w.bits, colour ? 13 : 12);
}

TEST(T4Tables, DecoderLookupAgreesWithTheSourceTablesForEveryCode) {
  for (int colour = 0; colour < 2; ++colour) {
    const auto& term = colour ? t4::kBlackTerminating : t4::kWhiteTerminating;
    const auto& makeup = colour ? t4::kBlackMakeup : t4::kWhiteMakeup;
    for (int i = 0; i < 64 + 40; ++i) {
      const t4::CodeWord w = t4::Reversed(i < 64 ? term[i] : makeup[i - 64]);
      const int value = i < 64 ? i : (i - 63) * 64;
      // Every continuation of the code must decode to the same entry.
      for (uint32_t high : {0u, 1u, 0x55u, 0xFFu}) {
        const uint32_t bits = w.code | (high << w.bits);
        const auto e = t4_lookup::Lookup(colour, bits);
        EXPECT_EQ(e.value, value) << "colour " << colour << " run " << value;
        EXPECT_EQ(e.bits, w.bits);
      }
    }
    EXPECT_EQ(t4_lookup::Lookup(colour, 0).value, t4_lookup::kZeros);
  }
}

// Codes a run as T.4 does (make-ups of 2560 while longer, then make-up and
// terminating) with the source tables, and decodes it with the lookup.
TEST(T4Tables, EveryRunLengthFrom0To2560RoundTripsThroughTheLookup) {
  for (int colour = 0; colour < 2; ++colour) {
    const auto& term = colour ? t4::kBlackTerminating : t4::kWhiteTerminating;
    const auto& makeup = colour ? t4::kBlackMakeup : t4::kWhiteMakeup;
    for (int run = 0; run <= t4::kMaxRun; ++run) {
      std::vector<t4::CodeWord> words;
      if (run >= 64) words.push_back(makeup[run / 64 - 1]);
      words.push_back(term[run % 64]);
      uint64_t stream = 0;
      int n = 0;
      for (auto w : words) {
        stream |= static_cast<uint64_t>(t4::Reversed(w).code) << n;
        n += w.bits;
      }
      stream |= 0xAAAAull << n;  // whatever follows
      int decoded = 0, used = 0;
      for (;;) {
        const auto e = t4_lookup::Lookup(colour, static_cast<uint32_t>(stream >> used));
        ASSERT_LE(e.value, t4::kMaxRun) << "run " << run;
        decoded += e.value;
        used += e.bits;
        if (e.value < 64) break;
      }
      EXPECT_EQ(decoded, run);
      EXPECT_EQ(used, n);
    }
  }
}

std::vector<Bytes> DecodeAll(const Bytes& data, size_t chunk) {
  std::vector<Bytes> lines;
  T4Decoder d([&](const uint8_t* line, size_t n) { lines.emplace_back(line, line + n); });
  for (size_t i = 0; i < data.size(); i += chunk) d.feed(data.data() + i, std::min(chunk, data.size() - i));
  d.finish();
  return lines;
}

Bytes CodeRows(const std::vector<Bytes>& rows, int width, bool withRtc = true) {
  Bytes out;
  uint8_t coded[kCodedLineCapacity + 16];
  for (const auto& r : rows) {
    const size_t n = EncodeLineRecord(r.data(), {width, 0, false}, coded);
    out.insert(out.end(), coded, coded + n);
  }
  if (withRtc) {
    static const uint8_t rtc[] = {0x00, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00};
    out.insert(out.end(), rtc, rtc + sizeof rtc);
  }
  return out;
}

TEST(T4LineCoder, GoldenBlankLineOf1728Pixels) {
  const Bytes blank(216, 0);
  uint8_t out[kCodedLineCapacity];
  const size_t n = EncodeLineRecord(blank.data(), {1728, 50, false}, out);
  EXPECT_EQ(Bytes(out, out + n), (Bytes{0x00, 0x80, 0xB2, 0x59, 0x01, 0x00}));
}

TEST(T4LineCoder, GoldenWhiteLineOf2048PixelsUsesTheExtendedMakeupCode) {
  const Bytes blank(256, 0);
  uint8_t out[kCodedLineCapacity];
  const size_t n = EncodeLineRecord(blank.data(), {2048, 50, false}, out);
  // EOL, make-up 2048 (0000 0001 0011), terminating 0 (0011 0101), fill, zero byte.
  EXPECT_EQ(Bytes(out, out + n), (Bytes{0x00, 0x80, 0x80, 0xCC, 0x0A, 0x00}));
}

TEST(T4LineCoder, RunOf1800IsMakeup1792ThenTerminating8) {
  Bytes row(256, 0);
  for (int x = 1800; x < 2048; ++x) test::SetPixel(row, x);
  uint8_t out[kCodedLineCapacity];
  const size_t n = EncodeLineRecord(row.data(), {2048, 0, false}, out);
  const std::string expected = std::string("0000") + "000000000001" +  // fill, EOL
                               "00000001000" + "10011" +                // white 1792 + 8
                               "000011001001" + "000000101000";         // black 192 + 56
  const std::string bits = StreamBits(out, n);
  EXPECT_EQ(bits.substr(0, expected.size()), expected);
  EXPECT_EQ(bits.find('1', expected.size()), std::string::npos) << "only fill behind the last code";
  EXPECT_EQ(n, expected.size() / 8 + 2);
}

TEST(T4LineCoder, OnlyTheFirstImagePixelBlackGivesMarginOneAndRest) {
  Bytes row(216, 0);
  row[0] = 0x80;
  uint8_t out[kCodedLineCapacity];
  const size_t n = EncodeLineRecord(row.data(), {1728, 50, false}, out);
  Bytes data(out, out + n);
  const Bytes rtc = CodeRows({}, 1728);
  data.insert(data.end(), rtc.begin(), rtc.end());
  const auto decoded = DecodeAll(data, 1000);
  ASSERT_EQ(decoded.size(), 1u);
  EXPECT_EQ(test::RunsOf(decoded[0], 1728), (std::vector<std::pair<int, int>>{{0, 50}, {1, 1}, {0, 1677}}));
}

TEST(T4LineCoder, FirstPixelBlackWithoutMarginStartsWithAWhiteRunOfZero) {
  Bytes row(216, 0xFF);
  uint8_t out[kCodedLineCapacity];
  const size_t n = EncodeLineRecord(row.data(), {1728, 0, false}, out);
  // EOL, white 0 (0011 0101), black 1728 (0000 0011 0010 1), black 0 (0000 1101 11).
  const std::string expected = std::string("0000000000000001") + "00110101" + "0000001100101" + "0000110111";
  EXPECT_EQ(StreamBits(out, n).substr(0, expected.size()), expected);
}

TEST(T4LineCoder, DoubleWidthDoublesImageRunsButNotTheMargin) {
  Bytes row(216, 0);
  row[0] = 0xFF;
  row[1] = 0xC0;  // 10 black pixels
  uint8_t out[kCodedLineCapacity];
  Bytes data(out, out + EncodeLineRecord(row.data(), {1728, 50, true}, out));
  const Bytes rtc = CodeRows({}, 1728);
  data.insert(data.end(), rtc.begin(), rtc.end());
  const auto decoded = DecodeAll(data, 3);
  ASSERT_EQ(decoded.size(), 1u);
  EXPECT_EQ(test::RunsOf(decoded[0], 1728), (std::vector<std::pair<int, int>>{{0, 50}, {1, 20}, {0, 1658}}));
}

TEST(T4LineCoder, DoubleWidthCutsTheLastRunAtTheLineWidth) {
  Bytes row(216, 0xFF);  // all black: doubled it would run far past W
  uint8_t out[kCodedLineCapacity];
  Bytes data(out, out + EncodeLineRecord(row.data(), {1728, 50, true}, out));
  const Bytes rtc = CodeRows({}, 1728);
  data.insert(data.end(), rtc.begin(), rtc.end());
  const auto decoded = DecodeAll(data, 64);
  ASSERT_EQ(decoded.size(), 1u);
  EXPECT_EQ(test::RunsOf(decoded[0], 1728), (std::vector<std::pair<int, int>>{{0, 50}, {1, 1678}}));
}

// Every black run length a line can hold, at both widths, through the coder
// and the decoder (make-up, extended make-up and terminating codes of both
// colours).
TEST(T4Codec, EveryRunLengthOfALineRoundTrips) {
  for (int width : {1728, 2048}) {
    std::vector<Bytes> rows;
    for (int run = 1; run < width; ++run) {
      Bytes row(static_cast<size_t>(width / 8), 0);
      const int start = (run * 7) % (width - run + 1);
      for (int x = start; x < start + run; ++x) test::SetPixel(row, x);
      rows.push_back(row);
    }
    const auto decoded = DecodeAll(CodeRows(rows, width), 4096);
    ASSERT_EQ(decoded.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) ASSERT_EQ(decoded[i], rows[i]) << "width " << width << " run " << i + 1;
  }
}

TEST(T4Codec, FeedingInChunksOfEverySizeGivesTheSameLines) {
  const Bytes page = test::MakePage(test::PageKind::Text, 1728, 120, 3);
  const test::RasterPage p = test::PageFromBuffer(page, 1728, 120);
  const Bytes data = CodeRows(p.rows, 1728);
  const auto whole = DecodeAll(data, data.size());
  ASSERT_EQ(whole, p.rows);
  for (size_t chunk = 1; chunk <= 300; ++chunk) ASSERT_EQ(DecodeAll(data, chunk), whole) << "chunk " << chunk;
  for (size_t chunk : {511u, 1024u, 4095u, 4096u}) ASSERT_EQ(DecodeAll(data, chunk), whole) << "chunk " << chunk;
}

TEST(T4Decoder, ThreeConsecutiveEolsEndThePageAndLaterDataIsIgnored) {
  Bytes row(216, 0);
  test::SetPixel(row, 100);
  Bytes data = CodeRows({row, row}, 1728);
  const Bytes more = CodeRows({row, row, row}, 1728, false);
  data.insert(data.end(), more.begin(), more.end());
  std::vector<Bytes> lines;
  T4Decoder counting([&](const uint8_t* l, size_t n) { lines.emplace_back(l, l + n); });
  EXPECT_FALSE(counting.feed(data.data(), data.size()));
  EXPECT_TRUE(counting.ended());
  EXPECT_EQ(lines.size(), 2u);
}

TEST(T4Decoder, RunsBeforeTheFirstEolAreIgnored) {
  Bytes row(216, 0);
  test::SetPixel(row, 5);
  Bytes data = {0x35, 0xB2, 0x59};  // run codes with no EOL in front
  const Bytes coded = CodeRows({row}, 1728);
  data.insert(data.end(), coded.begin(), coded.end());
  const auto lines = DecodeAll(data, 5);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], row);
}

TEST(T4Decoder, LinesOfTheWrongLengthAreDroppedWithoutError) {
  Bytes shortRow(216, 0), row(216, 0);
  test::SetPixel(row, 1000);
  uint8_t out[kCodedLineCapacity];
  Bytes data(out, out + EncodeLineRecord(shortRow.data(), {1600, 0, false}, out));  // 1600 pixels
  const Bytes rest = CodeRows({row}, 1728);
  data.insert(data.end(), rest.begin(), rest.end());
  const auto lines = DecodeAll(data, 9);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], row);
}

TEST(T4Decoder, ABadCodeLosesOnlyItsLineAndIsCounted) {
  const Bytes page = test::MakePage(test::PageKind::Text, 1728, 80, 9);
  const test::RasterPage p = test::PageFromBuffer(page, 1728, 80);
  Bytes data;
  std::vector<size_t> lineStart;
  uint8_t coded[kCodedLineCapacity + 16];
  for (const auto& r : p.rows) {
    lineStart.push_back(data.size());
    const size_t n = EncodeLineRecord(r.data(), {1728, 0, false}, coded);
    data.insert(data.end(), coded, coded + n);
  }
  const Bytes rtc = CodeRows({}, 1728);
  data.insert(data.end(), rtc.begin(), rtc.end());
  // Line 50: bits no code word starts with (black: 0000 0000 1...; here ones
  // and zeros that make an invalid prefix in either colour).
  data[lineStart[50] + 3] = 0x00;
  data[lineStart[50] + 4] = 0x01;
  std::vector<Bytes> lines;
  T4Decoder d([&](const uint8_t* l, size_t n) { lines.emplace_back(l, l + n); });
  d.feed(data.data(), data.size());
  d.finish();
  // All lines but the damaged one (and at most its neighbour) survive.
  EXPECT_GE(lines.size(), p.rows.size() - 2);
  size_t same = 0;
  for (const auto& l : lines)
    for (const auto& r : p.rows)
      if (l == r) {
        ++same;
        break;
      }
  EXPECT_GE(same, p.rows.size() - 2);
  EXPECT_EQ(std::find(lines.begin(), lines.end(), p.rows[49]) != lines.end(), true);
}

TEST(T4Decoder, GarbageNeverOverrunsAndEndsWithTheData) {
  const Bytes noise = test::MakePage(test::PageKind::Random, 1728, 50, 4);
  std::vector<Bytes> lines;
  T4Decoder d([&](const uint8_t* l, size_t n) {
    ASSERT_TRUE(n == 216 || n == 256);
    lines.emplace_back(l, l + n);
  });
  d.feed(noise.data(), noise.size());
  d.finish();
  EXPECT_GT(d.badCodes(), 0u);
}

}  // namespace
}  // namespace telvane
