// The guard between the DTE's bytes and spandsp's T.31 modem: lines, bad
// lines, frame cutting, holding after DLE ETX, the abort of a reception.

#include "tools/virtual-modem/dte_stream_guard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/virtual-modem/dle_stuffing.h"

namespace telvane::vmodem {
namespace {

// A host whose modem changes mode the way T.31 does: +FTH/+FTM start
// transmit data, +FRH/+FRM reception; DLE ETX or an abort ends them.
class ScriptedHost : public DteStreamGuard::Host {
public:
  ModemInputMode mode = ModemInputMode::Command;
  std::vector<std::string> lines;
  int rejected = 0;
  std::string data;

  ModemInputMode inputMode() override { return mode; }
  void commandLine(std::string_view line) override {
    lines.emplace_back(line);
    if (line.find("+FTH") != std::string_view::npos) mode = ModemInputMode::HdlcData;
    if (line.find("+FTM") != std::string_view::npos) mode = ModemInputMode::StreamData;
    if (line.find("+FR") != std::string_view::npos) mode = ModemInputMode::Receiving;
  }
  void rejectedLine() override { ++rejected; }
  void dataToModem(std::span<const uint8_t> bytes) override {
    data.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (mode == ModemInputMode::Receiving) mode = ModemInputMode::Command;
  }
};

void feed(DteStreamGuard& guard, ScriptedHost& host, const std::string& bytes) {
  guard.feed(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), host);
}

const std::string kDleEtx = "\x10\x03";

TEST(DteStreamGuard, SplitsLinesAtCrInAnyPieces) {
  DteStreamGuard guard;
  ScriptedHost host;
  feed(guard, host, "AT");
  feed(guard, host, "E0\r\nATZ\r");
  feed(guard, host, "\rAT+FCLASS=1\r");
  EXPECT_EQ(host.lines, (std::vector<std::string>{"ATE0", "ATZ", "AT+FCLASS=1"}));
  EXPECT_EQ(host.rejected, 0);
}

TEST(DteStreamGuard, RejectsOverlongAndBinaryLinesButNotTheNextOne) {
  DteStreamGuard guard;
  ScriptedHost host;
  feed(guard, host, "AT" + std::string(DteStreamGuard::kMaxCommandLine, 'S') + "\r");
  feed(guard, host, std::string("AT\x01\xfeZ\r", 6));
  feed(guard, host, "AT\x10\x03Z\r");
  feed(guard, host, "AT\r");
  EXPECT_EQ(host.rejected, 3);
  EXPECT_EQ(host.lines, (std::vector<std::string>{"AT"}));
  // The longest line allowed still goes through.
  feed(guard, host, std::string(DteStreamGuard::kMaxCommandLine, 'A') + "\r");
  EXPECT_EQ(host.lines.size(), 2u);
}

TEST(DteStreamGuard, IgnoresStrayControlBytesBetweenLines) {
  DteStreamGuard guard;
  ScriptedHost host;
  feed(guard, host, std::string("\x10\x03\x00\x11\x13 AT\r", 9));
  EXPECT_EQ(host.lines, (std::vector<std::string>{"AT"}));
  EXPECT_EQ(host.rejected, 0);
}

TEST(DteStreamGuard, CutsAnOverlongHdlcFrameAndKeepsItsEnd) {
  DteStreamGuard guard;
  ScriptedHost host;
  feed(guard, host, "AT+FTH=3\r");
  feed(guard, host, "\xff\x03" + std::string(600, 'B') + "\x10\x10" + kDleEtx);
  EXPECT_EQ(host.data.size(), DteStreamGuard::kMaxHdlcFrame + kDleEtx.size());
  EXPECT_EQ(host.data.substr(host.data.size() - 2), kDleEtx);
  EXPECT_EQ(guard.cutFrames(), 1);
  EXPECT_TRUE(guard.holding());
}

TEST(DteStreamGuard, ShieldedDleCountsOnceTowardsTheFrameLimit) {
  DteStreamGuard guard;
  ScriptedHost host;
  feed(guard, host, "AT+FTH=3\r");
  std::string frame;
  for (size_t i = 0; i < DteStreamGuard::kMaxHdlcFrame; ++i) frame += "\x10\x10";
  feed(guard, host, frame + kDleEtx);
  EXPECT_EQ(guard.cutFrames(), 0);
  EXPECT_EQ(host.data, frame + kDleEtx);
}

TEST(DteStreamGuard, DlePairSplitAcrossReadsAtTheFrameLimitIsCutWhole) {
  // A read that ends on a DLE whose partner would overflow the frame: the
  // pair goes as one (it once indexed before the start of the next read).
  DteStreamGuard guard;
  ScriptedHost host;
  feed(guard, host, "AT+FTH=3\r");
  feed(guard, host, std::string(DteStreamGuard::kMaxHdlcFrame, 'B') + "\x10");
  EXPECT_EQ(host.data.size(), DteStreamGuard::kMaxHdlcFrame);  // the DLE waits for its partner
  feed(guard, host, "\x10" + kDleEtx);
  EXPECT_EQ(host.data, std::string(DteStreamGuard::kMaxHdlcFrame, 'B') + kDleEtx);
  EXPECT_EQ(guard.cutFrames(), 1);
}

TEST(DteStreamGuard, DlePairSplitAcrossReadsBelowTheLimitPassesWhole) {
  DteStreamGuard guard;
  ScriptedHost host;
  feed(guard, host, "AT+FTH=3\r");
  feed(guard, host, "AB\x10");
  feed(guard, host, "\x10" "C" + kDleEtx);
  EXPECT_EQ(host.data, "AB\x10\x10" "C" + kDleEtx);
  EXPECT_EQ(guard.cutFrames(), 0);
}

TEST(DteStreamGuard, HoldsACommandWrittenWithDleEtxUntilReleased) {
  DteStreamGuard guard;
  ScriptedHost host;
  feed(guard, host, "AT+FTM=96\r");
  feed(guard, host, std::string(100, '\0') + kDleEtx + "AT+FRH=3\r");
  EXPECT_EQ(host.lines.size(), 1u);
  EXPECT_TRUE(guard.holding());
  EXPECT_EQ(guard.heldBytes(), 9u);
  host.mode = ModemInputMode::Command;  // the modem said OK
  guard.releaseHold(host);
  EXPECT_FALSE(guard.holding());
  EXPECT_EQ(host.lines.back(), "AT+FRH=3");
}

TEST(DteStreamGuard, HeldBytesAreBounded) {
  DteStreamGuard guard;
  ScriptedHost host;
  feed(guard, host, "AT+FTM=96\r");
  feed(guard, host, kDleEtx + std::string(DteStreamGuard::kMaxHeldBytes + 100, 'x'));
  EXPECT_EQ(guard.heldBytes(), DteStreamGuard::kMaxHeldBytes);
  EXPECT_EQ(guard.droppedBytes(), 100);
}

TEST(DteStreamGuard, OneByteAbortsAReceptionAndTheRestIsACommand) {
  DteStreamGuard guard;
  ScriptedHost host;
  feed(guard, host, "AT+FRH=3\r");
  feed(guard, host, "xAT\r");
  EXPECT_EQ(host.data, "x");
  EXPECT_EQ(host.lines.back(), "AT");
}

TEST(ShieldedNoise, FlipsDataBitsButKeepsTheShielding) {
  BitNoise noise(0.5, 7);
  ShieldedNoise shield;
  std::string in;
  for (int i = 0; i < 2000; ++i) in.push_back(static_cast<char>(i & 0xFF) == '\x10' ? 'a' : static_cast<char>(i & 0xFF));
  in += kDleEtx;
  std::string out;
  EXPECT_EQ(shield.process(std::span(reinterpret_cast<const uint8_t*>(in.data()), in.size()), out, noise), 1);
  EXPECT_GT(noise.flippedBits(), 0);
  // Unshielding the output gives exactly 2000 data bytes, then DLE ETX.
  size_t dataBytes = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '\x10') {
      ASSERT_LT(i + 1, out.size());
      if (out[i + 1] == '\x03') {
        EXPECT_EQ(i + 2, out.size());
        break;
      }
      EXPECT_EQ(out[i + 1], '\x10');
      ++i;
    }
    ++dataBytes;
  }
  EXPECT_EQ(dataBytes, 2000u);
}

TEST(BitNoise, RateIsRoughlyKeptAndReproducible) {
  BitNoise a(1e-2, 42), b(1e-2, 42);
  for (int i = 0; i < 100000; ++i) EXPECT_EQ(a.apply(0), b.apply(0));
  EXPECT_GT(a.flippedBits(), 6000);  // 8000 expected
  EXPECT_LT(a.flippedBits(), 10000);
  BitNoise none(0, 1);
  EXPECT_FALSE(none.active());
  EXPECT_EQ(none.apply(0x5A), 0x5A);
}

}  // namespace
}  // namespace telvane::vmodem
