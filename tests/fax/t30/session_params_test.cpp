#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fax/t30/hdlc_frame.h"
#include "fax/t30/session_params.h"

namespace telvane::t30 {
namespace {

using Bytes = std::vector<uint8_t>;

RateSet Rates(std::initializer_list<int> indexes) {
  RateSet r{};
  for (int i : indexes) r[static_cast<size_t>(i)] = true;
  return r;
}
const RateSet kAll = Rates({1, 2, 3, 4, 5, 6});

TEST(RateTable, RowsAndLimits) {
  struct Row {
    int index, bps;
    uint8_t bits;
    std::string_view training, page;
  };
  const Row rows[] = {
      {1, 2400, 0x00, "24", "24"},   {2, 4800, 0x08, "48", "48"},     {3, 7200, 0x0C, "72", "72"},
      {4, 9600, 0x04, "96", "96"},   {5, 12000, 0x28, "121", "122"},  {6, 14400, 0x20, "145", "146"},
  };
  for (const Row& r : rows) {
    const RateInfo* info = RateByIndex(r.index);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->index, r.index);
    EXPECT_EQ(info->bps, r.bps);
    EXPECT_EQ(info->dcsBits, r.bits);
    EXPECT_EQ(info->trainingModulation, r.training);
    EXPECT_EQ(info->pageModulation, r.page);
    EXPECT_EQ(RateIndexOfBps(r.bps), r.index);
  }
  EXPECT_EQ(RateByIndex(0), nullptr);
  EXPECT_EQ(RateByIndex(7), nullptr);
  EXPECT_EQ(RateByIndex(-1), nullptr);
  EXPECT_EQ(RateIndexOfBps(0), 0);
  EXPECT_EQ(RateIndexOfBps(300), 0);
  EXPECT_EQ(RateIndexOfBps(9601), 0);
  EXPECT_EQ(RateIndexOfBps(33600), 0);
}

TEST(RatesFromModulationList, ModemAnswers) {
  EXPECT_EQ(RatesFromModulationList("24,48,72,73,74,96,97,98,121,122,145,146"), kAll);
  EXPECT_EQ(RatesFromModulationList("3,24,48,72,96"), Rates({1, 2, 3, 4}));
  EXPECT_EQ(RatesFromModulationList("(24,48,72,96)"), Rates({1, 2, 3, 4}));
  EXPECT_EQ(RatesFromModulationList(" 24, 48, 73, 97, 121, 145 "), kAll);
  EXPECT_EQ(RatesFromModulationList("24,48,122"), Rates({1, 2, 5}));
  EXPECT_EQ(RatesFromModulationList("146"), Rates({1, 2, 6}));
}

TEST(RatesFromModulationList, JunkGivesTheMandatoryRatesOnly) {
  for (std::string_view junk : {"", "ERROR", "9600,14400", "96x,x145,1450,7 2", "72.0,96-97",
                                ",,,", "-145", "+96", "\xff\x96"}) {
    EXPECT_EQ(RatesFromModulationList(junk), Rates({1, 2})) << junk;
  }
}

TEST(ScanTime, CodesAndMinimumLineBytes) {
  const int ms[8][2] = {{0, 0}, {5, 5}, {10, 5}, {10, 10}, {20, 10}, {20, 20}, {40, 20}, {40, 40}};
  for (int code = 0; code < 8; ++code) {
    EXPECT_EQ(ScanTimeMs(code, false), ms[code][0]) << code;
    EXPECT_EQ(ScanTimeMs(code, true), ms[code][1]) << code;
  }
  EXPECT_EQ(MinimumBytesPerLine(5, false, 9600), 24);
  EXPECT_EQ(MinimumBytesPerLine(7, true, 14400), 72);
  EXPECT_EQ(MinimumBytesPerLine(4, true, 4800), 6);
  EXPECT_EQ(MinimumBytesPerLine(0, false, 14400), 0);
  // Not a whole byte: rounded up, or the line would be too short.
  EXPECT_EQ(MinimumBytesPerLine(1, false, 7200), 5);
  EXPECT_EQ(MinimumBytesPerLine(2, true, 2400), 2);
  EXPECT_EQ(MinimumBytesPerLine(1, true, 12000), 8);
  EXPECT_EQ(MinimumBytesPerLine(5, false, 0), 0);
}

TEST(ScanTime, CodesOutsideTheTableTakeTheLongestTime) {
  EXPECT_EQ(ScanTimeMs(8, false), 40);
  EXPECT_EQ(ScanTimeMs(-1, true), 40);
  EXPECT_EQ(EncodeDcs({.valid = true, .rateIndex = 4, .fine = false, .wide = false, .scanCode = 99})[2] & 0x70,
            0x40);
}

TEST(DecodeDis, ScanTimeBitsToCode) {
  // b21 b22 b23 in wire form are 0x10 0x20 0x40 of byte 2.
  const int code[8] = {5, 1, 3, 4, 7, 6, 2, 0};  // by bits 0x00, 0x10, ... 0x70
  for (int i = 0; i < 8; ++i) {
    const Bytes info = {0x00, 0x02, static_cast<uint8_t>(i << 4)};
    EXPECT_EQ(DecodeDis(info).scanCode, code[i]) << i;
  }
}

TEST(EncodeDcs, ScanTimeBitsByCodeAndResolution) {
  const uint8_t bits[8][2] = {{0x70, 0x70}, {0x10, 0x10}, {0x20, 0x10}, {0x20, 0x20},
                              {0x00, 0x20}, {0x00, 0x00}, {0x40, 0x00}, {0x40, 0x40}};
  for (int code = 0; code < 8; ++code) {
    for (int fine = 0; fine < 2; ++fine) {
      const auto info = EncodeDcs({.valid = true, .rateIndex = 4, .fine = fine == 1, .scanCode = code});
      EXPECT_EQ(info[2] & 0x70, bits[code][fine]) << code << " fine " << fine;
      // The bits chosen mean the time of that code at that resolution.
      const int received = DecodeDcs(info).params.scanCode;
      EXPECT_EQ(ScanTimeMs(received, fine == 1), ScanTimeMs(code, fine == 1)) << code << " fine " << fine;
    }
  }
}

TEST(EncodeDcs, BytesForEveryRate) {
  struct Row {
    int index;
    bool fine, wide;
    int scan;
    std::array<uint8_t, 4> bytes;
  };
  const Row rows[] = {
      {1, false, false, 5, {0x00, 0x02, 0x88, 0x00}},
      {2, false, false, 5, {0x00, 0x0A, 0x88, 0x00}},
      {3, false, false, 5, {0x00, 0x0E, 0x88, 0x00}},
      {4, false, false, 5, {0x00, 0x06, 0x88, 0x00}},
      {5, false, false, 5, {0x00, 0x2A, 0x88, 0x00}},
      {6, false, false, 5, {0x00, 0x22, 0x88, 0x00}},
      {6, true, false, 0, {0x00, 0x62, 0xF8, 0x00}},
      {4, true, true, 4, {0x00, 0x46, 0xA9, 0x00}},
      {1, false, true, 7, {0x00, 0x02, 0xC9, 0x00}},
      {0, false, false, 5, {0x00, 0x02, 0x88, 0x00}},  // no such rate: 2400
  };
  for (const Row& r : rows) {
    EXPECT_EQ(EncodeDcs({.valid = true, .rateIndex = r.index, .fine = r.fine, .wide = r.wide, .scanCode = r.scan}),
              r.bytes)
        << r.index;
  }
}

TEST(DecodeDcs, EverySentChoiceRoundTrips) {
  for (int index = kMinRateIndex; index <= kMaxRateIndex; ++index) {
    for (bool fine : {false, true}) {
      for (bool wide : {false, true}) {
        SCOPED_TRACE(testing::Message() << index << " fine " << fine << " wide " << wide);
        const auto info = EncodeDcs({.valid = true, .rateIndex = index, .fine = fine, .wide = wide, .scanCode = 3});
        const ReceivedDcs d = DecodeDcs(info);
        ASSERT_TRUE(d.params.valid);
        EXPECT_EQ(d.params.rateIndex, index);
        EXPECT_EQ(d.params.fine, fine);
        EXPECT_EQ(d.params.wide, wide);
        EXPECT_EQ(d.v17, index >= 5);
        EXPECT_EQ(d.trainingModulation, RateByIndex(index)->trainingModulation);
        EXPECT_EQ(d.pageModulation, RateByIndex(index)->pageModulation);
      }
    }
  }
}

TEST(DecodeDcs, EveryModulationARemoteSenderMayChoose) {
  struct Row {
    uint8_t bits;
    int index;
    bool v17;
    std::string_view training, page;
  };
  const Row rows[] = {
      {0x00, 1, false, "24", "24"},   {0x08, 2, false, "48", "48"},   {0x0C, 3, false, "72", "72"},
      {0x04, 4, false, "96", "96"},   {0x2C, 3, true, "73", "74"},    {0x24, 4, true, "97", "98"},
      {0x28, 5, true, "121", "122"},  {0x20, 6, true, "145", "146"},
  };
  for (const Row& r : rows) {
    const ReceivedDcs d = DecodeDcs(Bytes{0x00, static_cast<uint8_t>(0x02 | r.bits), 0x88, 0x00});
    ASSERT_TRUE(d.params.valid) << int(r.bits);
    EXPECT_EQ(d.params.rateIndex, r.index) << int(r.bits);
    EXPECT_EQ(d.v17, r.v17) << int(r.bits);
    EXPECT_EQ(d.trainingModulation, r.training) << int(r.bits);
    EXPECT_EQ(d.pageModulation, r.page) << int(r.bits);
  }
}

TEST(DecodeDcs, ShortV33AndReservedCodesAreInvalid) {
  EXPECT_FALSE(DecodeDcs(Bytes{}).params.valid);
  EXPECT_FALSE(DecodeDcs(Bytes{0x00, 0x06}).params.valid);
  EXPECT_TRUE(DecodeDcs(Bytes{0x00, 0x06, 0x88}).params.valid);  // missing byte 3 reads as 0
  for (uint8_t bits : {0x10, 0x18, 0x14, 0x1C, 0x30, 0x38, 0x34, 0x3C}) {
    const ReceivedDcs d = DecodeDcs(Bytes{0x00, static_cast<uint8_t>(0x02 | bits), 0x88, 0x00});
    EXPECT_FALSE(d.params.valid) << int(bits);
    EXPECT_TRUE(d.trainingModulation.empty());
  }
}

TEST(DecodeDis, RateCapabilities) {
  struct Row {
    uint8_t bits;  // b11-b14
    RateSet rates;
  };
  const Row rows[] = {
      {0x00, Rates({1})},                    // 0000 V.27 ter fall-back
      {0x08, Rates({1, 2})},                 // 0100 V.27 ter
      {0x04, Rates({1, 2, 3, 4})},           // 1000 V.29
      {0x0C, Rates({1, 2, 3, 4})},           // 1100 V.27 ter + V.29
      {0x2C, kAll},                          // 1101 + V.17
      {0x1C, Rates({1, 2, 3, 4})},           // 1110 + V.33, not used here
      {0x10, Rates({1})},                    // V.33 alone
  };
  for (const Row& r : rows) {
    EXPECT_EQ(DecodeDis(Bytes{0x00, static_cast<uint8_t>(0x02 | r.bits), 0x00}).rates, r.rates) << int(r.bits);
  }
}

TEST(DecodeDis, FieldsAndShortFrames) {
  EXPECT_FALSE(DecodeDis(Bytes{0x00, 0x6E}).valid);
  const DisCapabilities none = DecodeDis(Bytes{0x00, 0x00, 0x00});
  EXPECT_TRUE(none.valid);
  EXPECT_FALSE(none.canReceive);
  EXPECT_FALSE(none.fine);
  EXPECT_FALSE(none.wide);
  EXPECT_EQ(none.scanCode, 5);
  EXPECT_FALSE(none.ecm);
  EXPECT_TRUE(DecodeDis(Bytes{0x00, 0x00, 0x01}).wide);  // 215 + 255 mm
  EXPECT_TRUE(DecodeDis(Bytes{0x00, 0x00, 0x02}).wide);  // 215 + 255 + 303 mm
  EXPECT_TRUE(DecodeDis(Bytes{0x00, 0x00, 0x03}).wide);  // invalid, read as wide
  EXPECT_TRUE(DecodeDis(Bytes{0x00, 0x00, 0x80, 0x04}).ecm);
  EXPECT_TRUE(DecodeDis(Bytes{0x00, 0x00, 0x80, 0x04, 0xFF, 0xFF}).ecm);  // more octets ignored
}

// A DIS from a spandsp log (gofaxip issue 34): "ff 13 80 00 6e b8 00".
TEST(DecodeDis, RealDisFromTheField) {
  const ParsedFrame frame = ParseFrame(Bytes{0xFF, 0x13, 0x80, 0x00, 0x6E, 0xB8, 0x00, 0x12, 0x34});
  ASSERT_TRUE(frame.valid);
  EXPECT_TRUE(frame.final);
  EXPECT_EQ(frame.kind(), fcf::DIS);
  const DisCapabilities caps = DecodeDis(frame.info);
  ASSERT_TRUE(caps.valid);
  // 0x6E = 0110 1110: b10 receiver, b11 b12 b13 b14 = 1 1 0 1 (V.27 ter,
  // V.29, V.17), b15 fine.
  EXPECT_TRUE(caps.canReceive);
  EXPECT_EQ(caps.rates, kAll);
  EXPECT_TRUE(caps.fine);
  // 0xB8 = 1011 1000: b17 b18 = 0 0 (215 mm only), b20 unlimited length,
  // b21 b22 b23 = 1 1 0 (20 ms normal, 10 ms fine), b24 extend.
  EXPECT_FALSE(caps.wide);
  EXPECT_EQ(caps.scanCode, 4);
  EXPECT_EQ(ScanTimeMs(caps.scanCode, false), 20);
  EXPECT_EQ(ScanTimeMs(caps.scanCode, true), 10);
  // Byte 3 = 0: no ECM.
  EXPECT_FALSE(caps.ecm);
  // What a sender offering every rate and sending fine would choose.
  EXPECT_EQ(ChooseRate(kAll, caps.rates, kMaxRateIndex), 6);
  const auto dcs = EncodeDcs({.valid = true, .rateIndex = 6, .fine = true, .scanCode = caps.scanCode});
  EXPECT_EQ(dcs, (std::array<uint8_t, 4>{0x00, 0x62, 0xA8, 0x00}));
}

TEST(EncodeDis, Offers) {
  // A DIS names modulations, not rates: V.29 brings 7200 and 9600, V.17
  // everything up to 14400.
  struct Row {
    RateSet rates;
    bool fine, wide;
    std::array<uint8_t, 4> bytes;
    RateSet asRead;
  };
  const Row rows[] = {
      {kAll, true, true, {0x00, 0x6E, 0xF9, 0x00}, kAll},
      {Rates({1, 2, 3, 4, 5}), true, true, {0x00, 0x6E, 0xF9, 0x00}, kAll},
      {Rates({1, 2, 3, 4}), true, true, {0x00, 0x4E, 0xF9, 0x00}, Rates({1, 2, 3, 4})},
      {Rates({1, 2, 3}), false, true, {0x00, 0x0E, 0xF9, 0x00}, Rates({1, 2, 3, 4})},
      {Rates({1, 2}), true, false, {0x00, 0x4A, 0xF8, 0x00}, Rates({1, 2})},
      {Rates({1}), false, false, {0x00, 0x02, 0xF8, 0x00}, Rates({1})},
  };
  for (const Row& r : rows) {
    const auto info = EncodeDis({.rates = r.rates, .fine = r.fine, .wide = r.wide});
    EXPECT_EQ(info, r.bytes);
    const DisCapabilities caps = DecodeDis(info);
    EXPECT_TRUE(caps.canReceive);
    EXPECT_EQ(caps.rates, r.asRead);
    EXPECT_EQ(caps.fine, r.fine);
    EXPECT_EQ(caps.wide, r.wide);
    EXPECT_EQ(caps.scanCode, 0);
  }
}

TEST(ChooseRate, HighestCommonRateNotAboveTheLimit) {
  EXPECT_EQ(ChooseRate(kAll, kAll, 6), 6);
  EXPECT_EQ(ChooseRate(kAll, kAll, 4), 4);  // DesiredBPS 9600
  EXPECT_EQ(ChooseRate(kAll, kAll, 99), 6);
  EXPECT_EQ(ChooseRate(kAll, kAll, 1), 1);
  EXPECT_EQ(ChooseRate(kAll, kAll, 0), 0);
  EXPECT_EQ(ChooseRate(kAll, Rates({1, 2, 3, 4}), 6), 4);
  EXPECT_EQ(ChooseRate(Rates({1, 2, 3, 4}), kAll, 6), 4);
  EXPECT_EQ(ChooseRate(Rates({1, 2, 6}), Rates({1, 2, 5, 6}), 5), 2);
  EXPECT_EQ(ChooseRate(kAll, Rates({1}), 6), 1);
  EXPECT_EQ(ChooseRate(kAll, RateSet{}, 6), 0);
  RateSet onlyUnused{};
  onlyUnused[0] = true;  // [0] is not a rate
  EXPECT_EQ(ChooseRate(onlyUnused, onlyUnused, 6), 0);
}

TEST(NextLowerRate, StepsDownAfterFttToNothing) {
  std::vector<int> chain;
  for (int i = ChooseRate(kAll, kAll, 6); i != 0; i = NextLowerRate(kAll, kAll, i)) chain.push_back(i);
  EXPECT_EQ(chain, (std::vector<int>{6, 5, 4, 3, 2, 1}));
  EXPECT_EQ(NextLowerRate(kAll, kAll, 1), 0);
  EXPECT_EQ(NextLowerRate(kAll, kAll, 0), 0);
  EXPECT_EQ(NextLowerRate(kAll, kAll, 7), 6);
  EXPECT_EQ(NextLowerRate(kAll, Rates({1, 2, 4, 6}), 6), 4);   // skips what the remote lacks
  EXPECT_EQ(NextLowerRate(Rates({1, 3, 6}), kAll, 6), 3);      // and what we lack
  EXPECT_EQ(NextLowerRate(Rates({6}), Rates({6}), 6), 0);
}

}  // namespace
}  // namespace telvane::t30
