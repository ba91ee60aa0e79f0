// The benchmark's own measuring parts: the relay's reading of a Class 1
// dialogue, its DIS rewrite, and the analysis of turnarounds and page fill.
// A wrong cut here would make the benchmark report numbers about the wrong
// bytes, so these run against dialogues and page data built by hand.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/fax/call_analysis.h"
#include "bench/fax/trace_relay.h"
#include "fax/t30/hdlc_frame.h"

namespace telvane::bench {
namespace {

using Kind = TraceEvent::Kind;
using Bytes = std::vector<uint8_t>;

constexpr uint8_t kDle = 0x10, kEtx = 0x03;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A received frame as the modem delivers it: FCS appended, DLE shielded,
// DLE ETX.
Bytes Delivered(Bytes frame) {
  const auto fcs = HdlcFcs(frame);
  frame.insert(frame.end(), fcs.begin(), fcs.end());
  return t30::ShieldForModem(frame);
}

// DIS with scan time 0 ms (b21-b23 all set) and a DLE in its FIF.
const Bytes kDis = {0xFF, 0x13, 0x80, 0x00, 0x10, 0x70 | 0x80, 0x00};
const Bytes kCsi = {0xFF, 0x03, 0x40, 0x10, 0x20, 0x20};

std::vector<Kind> Kinds(const std::vector<TraceEvent>& events) {
  std::vector<Kind> kinds;
  for (const TraceEvent& e : events) kinds.push_back(e.kind);
  return kinds;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(HdlcFcs, IsTheX25CheckValue) {
  const Bytes check = Text("123456789");
  const auto fcs = HdlcFcs(check);
  EXPECT_EQ(fcs[0], 0x6E);  // 0x906E, low octet first
  EXPECT_EQ(fcs[1], 0x90);
}

// A caller's phase B and page, fed to the parser in one chunk per side and
// again a byte at a time: the events must be the same.
class CallerDialogue : public ::testing::TestWithParam<bool> {};

TEST_P(CallerDialogue, IsCutIntoLinesFramesAndData) {
  const bool byteByByte = GetParam();
  DialogueParser p;
  const auto t = Clock::now();
  auto host = [&](const Bytes& b) {
    if (!byteByByte) return p.fromHost(b, t);
    for (uint8_t x : b) p.fromHost(std::span(&x, 1), t);
  };
  auto modem = [&](const Bytes& b) {
    if (!byteByByte) return p.fromModem(b, t);
    Bytes out;
    for (uint8_t x : b) {
      const Bytes o = p.fromModem(std::span(&x, 1), t);
      out.insert(out.end(), o.begin(), o.end());
    }
    return out;
  };
  host(Text("ATDT5551234\r"));
  const Bytes fromModem = Concat({Text("\r\nCONNECT\r\n"), Delivered(kCsi), Text("\r\nOK\r\n")});
  EXPECT_EQ(modem(fromModem), fromModem);  // passed on unchanged
  host(Text("AT+FRH=3\r"));
  modem(Concat({Text("\r\nCONNECT\r\n"), Delivered(kDis), Text("\r\nOK\r\n")}));
  host(Text("AT+FTH=3\r"));
  modem(Text("\r\nCONNECT\r\n"));
  host({0xFF, 0x03, 0x43, kDle, kDle, 0x41, kDle, kEtx});  // TSI, one shielded DLE
  modem(Text("\r\nCONNECT\r\n"));
  host({0xFF, 0x13, 0x83, 0x00, kDle, kEtx});
  modem(Text("\r\nOK\r\n"));
  host(Text("AT+FTM=146\r"));
  modem(Text("\r\nCONNECT\r\n"));
  host({0x00, 0x80, kDle, kDle, 0x01, kDle, kEtx});
  modem(Text("\r\nOK\r\n"));
  host({' '});

  const auto& e = p.events();
  const std::vector<Kind> expected = {
      Kind::HostCommand, Kind::ModemLine,     Kind::ModemFrame, Kind::ModemLine, Kind::HostCommand,
      Kind::ModemLine,   Kind::ModemFrame,    Kind::ModemLine,  Kind::HostCommand, Kind::ModemLine,
      Kind::HostDataStart, Kind::HostFrame,   Kind::ModemLine,  Kind::HostDataStart, Kind::HostFrame,
      Kind::ModemLine,   Kind::HostCommand,   Kind::ModemLine,  Kind::HostDataStart, Kind::HostData,
      Kind::ModemLine,   Kind::HostByte};
  ASSERT_EQ(Kinds(e), expected);
  EXPECT_EQ(e[0].text, "ATDT5551234");
  // The LF that ends CONNECT's line is not part of the frame; the FCS is.
  const auto fcs = HdlcFcs(kCsi);
  EXPECT_EQ(e[2].bytes, Concat({kCsi, Bytes(fcs.begin(), fcs.end())}));
  EXPECT_EQ(e[3].text, "OK");
  EXPECT_EQ(e[11].bytes, (Bytes{0xFF, 0x03, 0x43, kDle, 0x41}));
  EXPECT_EQ(e[18].text, "AT+FTM=146");
  EXPECT_EQ(e[19].bytes, (Bytes{0x00, 0x80, kDle, 0x01}));
  EXPECT_EQ(e[21].bytes, Bytes{' '});
}

INSTANTIATE_TEST_SUITE_P(Chunks, CallerDialogue, ::testing::Values(false, true));

TEST(DialogueParser, ReceivedPageDataEndsAtDleEtxAndDoubleEscapeIsTwoDles) {
  DialogueParser p;
  const auto t = Clock::now();
  p.fromHost(Text("AT+FRM=146\r"), t);
  p.fromModem(Concat({Text("\r\nCONNECT\r\n"), Bytes{0x0A, 0x01, kDle, 0x1A, kDle, 0x55, kDle, kEtx},
                      Text("\r\nNO CARRIER\r\n")}),
              t);
  const auto& e = p.events();
  ASSERT_EQ(Kinds(e), (std::vector<Kind>{Kind::HostCommand, Kind::ModemLine, Kind::ModemData, Kind::ModemLine}));
  // The LF right after CONNECT's CR ends that line; a second one is data.
  // DLE with anything but DLE, SUB or ETX is dropped with it (T.31).
  EXPECT_EQ(e[2].bytes, (Bytes{0x0A, 0x01, kDle, kDle}));
  EXPECT_EQ(e[3].text, "NO CARRIER");
}

TEST(DialogueParser, ResultInsteadOfAFrameEndsFrameReception) {
  DialogueParser p;
  const auto t = Clock::now();
  p.fromHost(Text("AT+FRH=3\r"), t);
  p.fromModem(Text("\r\nCONNECT\r\n\r\nNO CARRIER\r\n"), t);
  p.fromHost(Text("AT+FRH=3\r"), t);
  p.fromModem(Concat({Text("\r\nCONNECT\r\n"), Delivered(kCsi), Text("\r\nOK\r\n")}), t);
  const auto& e = p.events();
  ASSERT_EQ(Kinds(e), (std::vector<Kind>{Kind::HostCommand, Kind::ModemLine, Kind::ModemLine, Kind::HostCommand,
                                         Kind::ModemLine, Kind::ModemFrame, Kind::ModemLine}));
  EXPECT_EQ(e[2].text, "NO CARRIER");
  EXPECT_EQ(e[5].bytes.size(), kCsi.size() + 2);
}

TEST(DialogueParser, AnsweringStationSendsFramesAfterAta) {
  DialogueParser p;
  const auto t = Clock::now();
  p.fromModem(Text("\r\nRING\r\n"), t);
  p.fromHost(Text("ATA\r"), t);
  p.fromModem(Text("\r\nCONNECT\r\n"), t);
  p.fromHost(Bytes{0xFF, 0x03, 0x40, 0x20, kDle, kEtx}, t);
  ASSERT_EQ(Kinds(p.events()), (std::vector<Kind>{Kind::ModemLine, Kind::HostCommand, Kind::ModemLine,
                                                  Kind::HostDataStart, Kind::HostFrame}));
  EXPECT_EQ(p.events()[4].bytes, (Bytes{0xFF, 0x03, 0x40, 0x20}));
}

TEST(DialogueParser, DisRewriteDeclaresTheScanTimeWithAGoodFcs) {
  DialogueParser p;
  p.rewriteDisScanTime(20);
  const auto t = Clock::now();
  p.fromHost(Text("AT+FRH=3\r"), t);
  // A CSI passes as it came; the DIS is held to its end, then changed.
  const Bytes csi = Concat({Text("\r\nCONNECT\r\n"), Delivered(kCsi), Text("\r\nOK\r\n")});
  EXPECT_EQ(p.fromModem(csi, t), csi);
  p.fromHost(Text("AT+FRH=3\r"), t);
  const Bytes dis = Delivered(kDis);
  const Bytes head = Text("\r\nCONNECT\r\n");
  EXPECT_EQ(p.fromModem(Concat({head, Bytes(dis.begin(), dis.begin() + 4)}), t), head);
  const Bytes out = p.fromModem(Concat({Bytes(dis.begin() + 4, dis.end()), Text("\r\nOK\r\n")}), t);
  Bytes changed = kDis;
  changed[5] = 0x80;  // b21-b23 clear: 20 ms; the extend bit stays
  EXPECT_EQ(out, Concat({Delivered(changed), Text("\r\nOK\r\n")}));
  // The trace keeps what the program got.
  EXPECT_EQ(DeclaredFineScanMs(p.events()), 20);
  EXPECT_EQ(FramesWithBadFcs(p.events()), 0);
}

TEST(CallAnalysis, DeclaredScanTimeIsReadForFineResolution) {
  struct Row {
    uint8_t bits;
    int fineMs;
  };
  // T.30 Table 2 bits 21-23; the "half" codes halve the time at fine.
  for (const Row& r : {Row{0x70, 0}, Row{0x10, 5}, Row{0x20, 10}, Row{0x00, 20}, Row{0x40, 40}, Row{0x30, 10},
                       Row{0x50, 20}, Row{0x60, 5}}) {
    Bytes dis = kDis;
    dis[5] = static_cast<uint8_t>(0x80 | r.bits);
    const auto fcs = HdlcFcs(dis);
    dis.insert(dis.end(), fcs.begin(), fcs.end());
    std::vector<TraceEvent> events = {{Kind::ModemFrame, Clock::now(), {}, dis}};
    EXPECT_EQ(DeclaredFineScanMs(events), r.fineMs) << int(r.bits);
  }
}

// ---- turnarounds

class Timeline {
public:
  void at(double ms, Kind kind, std::string text = {}, Bytes bytes = {}) {
    events.push_back({kind, t0 + std::chrono::microseconds(static_cast<long>(ms * 1000)), std::move(text),
                      std::move(bytes)});
  }
  std::vector<TraceEvent> events;
  Clock::time_point t0 = Clock::now();
};

TEST(CallAnalysis, TurnaroundsRunFromDialToHangUpAndSetTheT30GapApart) {
  Timeline l;
  l.at(0, Kind::HostCommand, "AT+FCLASS=1");
  l.at(5, Kind::ModemLine, "OK");
  l.at(40, Kind::HostCommand, "ATDT5551234");  // before the call: not counted
  l.at(3000, Kind::ModemLine, "CONNECT");
  l.at(3500, Kind::ModemFrame, {}, {0xFF, 0x13, 0x80, 0, 0, 0, 0, 0});
  l.at(3500, Kind::ModemLine, "OK");
  l.at(3582, Kind::HostCommand, "AT+FTH=3");  // the 75 ms before our carrier
  l.at(3900, Kind::ModemLine, "CONNECT");
  l.at(3901, Kind::HostDataStart, "AT+FTH=3");
  l.at(3901, Kind::HostFrame, "AT+FTH=3", {0xFF, 0x03, 0x43});
  l.at(4500, Kind::ModemLine, "CONNECT");
  l.at(4503, Kind::HostDataStart, "AT+FTH=3");
  l.at(4503, Kind::HostFrame, "AT+FTH=3", {0xFF, 0x13, 0x83});
  l.at(5000, Kind::ModemLine, "OK");
  l.at(5100, Kind::HostCommand, "AT+FTM=146");
  l.at(5200, Kind::ModemLine, "CONNECT");
  l.at(5201, Kind::HostDataStart, "AT+FTM=146");
  l.at(5300, Kind::HostData, "AT+FTM=146", {0, 0, 0});
  l.at(6800, Kind::ModemLine, "OK");
  l.at(6801, Kind::HostCommand, "AT+FRH=3");
  l.at(9000, Kind::ModemLine, "NO CARRIER");
  l.at(9001, Kind::HostByte, {}, {' '});  // written since: no turnaround for the next
  l.at(9010, Kind::HostCommand, "AT+FRH=3");
  l.at(9500, Kind::ModemLine, "OK");
  l.at(9504, Kind::HostCommand, "ATH");
  l.at(9600, Kind::ModemLine, "OK");
  l.at(9700, Kind::HostCommand, "AT+FCLASS=0");  // after the call: not counted

  const std::vector<Turnaround> t = CallTurnarounds(l.events);
  ASSERT_EQ(t.size(), 7u);
  EXPECT_EQ(t[0].after, "DIS frame + OK");
  EXPECT_EQ(t[0].next, "AT+FTH=3");
  EXPECT_TRUE(t[0].deliberate);
  EXPECT_NEAR(t[0].ms, 82, 0.01);
  EXPECT_EQ(t[1].after, "CONNECT");
  EXPECT_EQ(t[1].next, "TSI frame");
  EXPECT_FALSE(t[1].deliberate);
  EXPECT_EQ(t[2].after, "CONNECT after our TSI");
  EXPECT_EQ(t[2].next, "DCS frame");
  EXPECT_NEAR(t[2].ms, 3, 0.01);
  EXPECT_EQ(t[3].after, "OK after our DCS");
  EXPECT_TRUE(t[3].deliberate);
  EXPECT_EQ(t[4].next, "TCF data");
  EXPECT_EQ(t[5].after, "OK after our TCF");
  EXPECT_EQ(t[5].next, "AT+FRH=3");
  EXPECT_FALSE(t[5].deliberate);
  EXPECT_EQ(t[6].next, "ATH");
  EXPECT_NEAR(t[6].ms, 4, 0.01);
}

TEST(CallAnalysis, AnsweringStationsStepsAreNamedAfterWhatCame) {
  Timeline l;
  l.at(0, Kind::ModemLine, "RING");
  l.at(1, Kind::HostCommand, "ATA");
  l.at(900, Kind::ModemLine, "CONNECT");
  l.at(901, Kind::HostDataStart, "ATA");
  l.at(901, Kind::HostFrame, "ATA", {0xFF, 0x13, 0x80, 0, 0, 0});
  l.at(1100, Kind::ModemLine, "OK");
  l.at(1101, Kind::HostCommand, "AT+FRH=3");
  l.at(2000, Kind::ModemLine, "CONNECT");
  l.at(2100, Kind::ModemFrame, {}, {0xFF, 0x13, 0x83, 0, 0, 0, 0, 0});
  l.at(2110, Kind::ModemLine, "OK");
  l.at(2111, Kind::HostCommand, "AT+FRM=145");
  l.at(2400, Kind::ModemLine, "CONNECT");
  l.at(3900, Kind::ModemData, {}, {0x55, 0, 0, 0});  // the demodulator's first bytes
  l.at(3900, Kind::ModemLine, "NO CARRIER");
  l.at(3990, Kind::HostCommand, "AT+FTH=3");
  l.at(4300, Kind::ModemLine, "CONNECT");
  l.at(4301, Kind::HostDataStart, "AT+FTH=3");
  l.at(4301, Kind::HostFrame, "AT+FTH=3", {0xFF, 0x13, 0x84});
  l.at(4600, Kind::ModemLine, "OK");
  l.at(4601, Kind::HostCommand, "AT+FRM=146");
  l.at(4900, Kind::ModemLine, "CONNECT");
  l.at(9900, Kind::ModemData, {}, {0x80, 0x01});
  l.at(9900, Kind::ModemLine, "NO CARRIER");
  l.at(9901, Kind::HostCommand, "AT+FRH=3");

  const std::vector<Turnaround> t = CallTurnarounds(l.events);
  ASSERT_EQ(t.size(), 7u);  // RING -> ATA is before the call
  EXPECT_EQ(t[0].next, "DIS frame");
  EXPECT_EQ(t[1].after, "OK after our DIS");
  EXPECT_EQ(t[2].after, "DCS frame + OK");
  EXPECT_EQ(t[2].next, "AT+FRM=145");
  EXPECT_EQ(t[3].after, "received TCF + NO CARRIER");
  EXPECT_TRUE(t[3].deliberate);
  EXPECT_NEAR(t[3].ms, 90, 0.01);
  EXPECT_EQ(t[4].next, "CFR frame");
  EXPECT_EQ(t[5].after, "OK after our CFR");
  EXPECT_FALSE(t[5].deliberate);
  EXPECT_EQ(t[6].after, "received page + NO CARRIER");
}

TEST(CallAnalysis, SpreadUsesNearestRank) {
  std::vector<double> v;
  for (int i = 100; i >= 1; --i) v.push_back(i);
  const Spread s = SpreadOf(v);
  EXPECT_EQ(s.count, 100u);
  EXPECT_DOUBLE_EQ(s.median, 50.5);
  EXPECT_DOUBLE_EQ(s.p99, 99);
  EXPECT_DOUBLE_EQ(s.min, 1);
  EXPECT_DOUBLE_EQ(s.max, 100);
  EXPECT_DOUBLE_EQ(SpreadOf({7}).p99, 7);
  EXPECT_EQ(SpreadOf({}).count, 0u);
}

// ---- page fill

// Page data built bit by bit, first bit in the least significant bit.
class BitStream {
public:
  void bits(uint32_t count, bool value) {
    for (uint32_t i = 0; i < count; ++i) put(value);
  }
  void eol() {
    bits(11, false);
    put(true);
  }
  // `count` bits of codes with no long run of zeros: 1, 0, 1, 0, ... ending in 1.
  void codes(uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) put(i % 2 == 0 || i + 1 == count);
  }
  Bytes bytes;

private:
  void put(bool bit) {
    if (used_ % 8 == 0) bytes.push_back(0);
    if (bit) bytes.back() |= static_cast<uint8_t>(1u << (used_ % 8));
    ++used_;
  }
  uint64_t used_ = 0;
};

TEST(PageFill, EolsAreFoundAfterElevenZerosOrMore) {
  BitStream s;
  s.bits(4, false);
  s.eol();              // fill, then EOL: its 1 is bit 15
  s.codes(5);           // bits 16-20
  s.bits(10, false);    // ten zeros and a 1 are no EOL
  s.bits(1, true);      // bit 31
  s.eol();              // bit 43
  EXPECT_EQ(EolPositions(s.bytes), (std::vector<uint64_t>{15, 43}));
}

TEST(PageFill, MeasuresFillAgainstCodesAndScanTime) {
  // Two head lines of blank code (17 bits), then three page lines of 30,
  // 100 and 40 bits; fill 3 bits before every EOL; RTC; 5 bits of tail.
  const std::vector<uint32_t> codeBits = {30, 100, 40};
  BitStream s;
  s.eol();
  for (uint32_t code : {17u, 17u, 30u, 100u, 40u}) {
    s.codes(code);
    s.bits(3, false);
    s.eol();
  }
  for (int i = 0; i < 5; ++i) s.eol();
  s.bits(5, false);
  const uint64_t minimum = 12 + (17 + 12) * 2 + (30 + 12) + (100 + 12) + (40 + 12) + 5 * 12;

  PageFill f = MeasurePageFill(s.bytes, codeBits, 17, 0);
  EXPECT_TRUE(f.linesMatch);
  EXPECT_EQ(f.wireLines, 5u);
  EXPECT_EQ(f.rtcEols, 5u);
  EXPECT_EQ(f.writtenBits, s.bytes.size() * 8);
  EXPECT_EQ(f.minimumBits, minimum);
  EXPECT_EQ(f.requiredBits, minimum);
  EXPECT_EQ(f.shortLines, 0u);

  // A scan time of 60 bits: the blank lines (32 on the wire), the 30-bit
  // line (45) and the 40-bit one (55) are short of it; the required total
  // stretches each to 60 from its codes and EOL.
  f = MeasurePageFill(s.bytes, codeBits, 17, 60);
  EXPECT_EQ(f.shortLines, 4u);
  EXPECT_EQ(f.requiredBits, minimum + (60 - 29) * 2 + (60 - 42) + (60 - 52));
}

TEST(PageFill, AnEolOfItsOwnAfterTheLastLineIsBeyondTheMinimum) {
  // The last line closed by an EOL of its own, then six EOLs of RTC.
  BitStream s;
  s.eol();
  s.codes(40);
  s.eol();
  for (int i = 0; i < 6; ++i) s.eol();
  const PageFill f = MeasurePageFill(s.bytes, {40}, 17, 0);
  EXPECT_TRUE(f.linesMatch);
  EXPECT_EQ(f.wireLines, 1u);
  EXPECT_EQ(f.rtcEols, 6u);
  EXPECT_EQ(f.minimumBits, 12u + 40 + 12 + 5 * 12);
  EXPECT_EQ(f.writtenBits - f.minimumBits, 12u);  // the one EOL
}

TEST(PageFill, LinesShorterThanTheirCodesAreNotThePage) {
  BitStream s;
  s.eol();
  s.codes(20);
  s.eol();
  for (int i = 0; i < 5; ++i) s.eol();
  EXPECT_FALSE(MeasurePageFill(s.bytes, {50}, 17, 0).linesMatch);
  // More page lines expected than the wire has.
  EXPECT_FALSE(MeasurePageFill(s.bytes, {20, 20}, 17, 0).linesMatch);
  EXPECT_TRUE(MeasurePageFill(s.bytes, {20}, 17, 0).linesMatch);
  // RTC cut short.
  BitStream cut;
  cut.eol();
  cut.codes(20);
  for (int i = 0; i < 5; ++i) cut.eol();
  EXPECT_FALSE(MeasurePageFill(cut.bytes, {20}, 17, 0).linesMatch);
}

}  // namespace
}  // namespace telvane::bench
