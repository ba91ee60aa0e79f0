#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fax/t30/response_collector.h"

namespace telvane::t30 {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint8_t DLE = 0x10, ETX = 0x03, SUB = 0x1A;

Bytes B(std::string_view text) { return Bytes(text.begin(), text.end()); }
Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::string Hex(std::span<const uint8_t> bytes) {
  std::string out;
  char item[4];
  for (uint8_t b : bytes) {
    std::snprintf(item, sizeof item, "%s%02x", out.empty() ? "" : " ", b);
    out += item;
  }
  return out;
}

// Drives a collector the way the engine does: bytes arrive in chunks, and
// a CONNECT line switches to frame mode. Each event is written as
// "L:<line>" (with "~" when truncated) or "F:<hex>" ("F:overlong").
struct Driver {
  ResponseCollector collector;
  std::vector<std::string> events;

  void feed(std::span<const uint8_t> chunk) {
    for (uint8_t b : chunk) {
      switch (collector.feed(b)) {
        case ResponseCollector::Event::Line:
          events.push_back("L:" + collector.line() + (collector.lineTruncated() ? "~" : ""));
          if (collector.line() == "CONNECT") collector.expectFrame();
          break;
        case ResponseCollector::Event::Frame:
          events.push_back(collector.frameOverlong() ? "F:overlong" : "F:" + Hex(collector.frame()));
          break;
        case ResponseCollector::Event::None:
          break;
      }
    }
  }
};

std::vector<std::string> FeedInChunks(const Bytes& stream, size_t chunk) {
  Driver d;
  for (size_t i = 0; i < stream.size(); i += chunk) {
    d.feed(std::span(stream).subspan(i, std::min(chunk, stream.size() - i)));
  }
  return d.events;
}

// CSI then DIS as a called fax sends them, with CR LF and DLE inside the
// frames, then a frame with a bad FCS.
const Bytes kDialogue =
    B("\r\nCONNECT\r\n") +
    Bytes{0xFF, 0x03, 0x40, 0x0D, 0x0A, DLE, DLE, 0x20, DLE, SUB, 0x31, 0xA1, 0xB2, DLE, ETX} +
    B("\r\nOK\r\n\r\nCONNECT\r\n") +
    Bytes{0xFF, 0x13, 0x80, 0x00, 0x6E, 0xB8, 0x00, DLE, DLE, 0x7E, DLE, ETX} +
    B("\r\nOK\r\n\r\nCONNECT\r\n") + Bytes{0xFF, 0x13, 0x84, 0x11, 0x13, DLE, ETX} + B("\r\nERROR\r\n");

const std::vector<std::string> kDialogueEvents = {
    "L:CONNECT", "F:ff 03 40 0d 0a 10 20 10 10 31 a1 b2", "L:OK",
    "L:CONNECT", "F:ff 13 80 00 6e b8 00 10 7e",         "L:OK",
    "L:CONNECT", "F:ff 13 84 11 13",                      "L:ERROR",
};

TEST(ResponseCollector, DialogueGivesTheSameEventsInEveryChunking) {
  for (size_t chunk = 1; chunk <= kDialogue.size(); ++chunk) {
    SCOPED_TRACE(chunk);
    EXPECT_EQ(FeedInChunks(kDialogue, chunk), kDialogueEvents);
  }
}

TEST(ResponseCollector, LinesEndAtCrOrLfAndBlankLinesAreSkipped) {
  Driver d;
  d.feed(B("\r\n\r\nOK\rRING\nNO CARRIER\r\n\n\n  \r"));
  EXPECT_EQ(d.events, (std::vector<std::string>{"L:OK", "L:RING", "L:NO CARRIER", "L:  "}));
}

TEST(ResponseCollector, StrayControlBytesAreDroppedFromLines) {
  Driver d;
  d.feed(Bytes{0x11, 'O', 0x00, 0x13, 'K', DLE, ETX, 0x7F, '\r'});
  d.feed(Bytes{DLE, 0x11, '\n'});  // nothing but control bytes: no line
  EXPECT_EQ(d.events, (std::vector<std::string>{"L:OK"}));
  EXPECT_FALSE(d.collector.inFrame());
}

TEST(ResponseCollector, EightBitBytesStayInLines) {
  Driver d;
  d.feed(B("+FCSI:\"\xC9T\xE9\"\r"));
  EXPECT_EQ(d.events, (std::vector<std::string>{"L:+FCSI:\"\xC9T\xE9\""}));
}

TEST(ResponseCollector, OverlongLineIsCutAndMarkedAndTheNextIsWhole) {
  Driver d;
  const std::string longLine(ResponseCollector::kMaxLine + 100, 'x');
  d.feed(B(longLine + "\r\nOK\r\n"));
  ASSERT_EQ(d.events.size(), 2u);
  EXPECT_EQ(d.events[0], "L:" + longLine.substr(0, ResponseCollector::kMaxLine) + "~");
  EXPECT_EQ(d.events[1], "L:OK");
}

TEST(ResponseCollector, LineOfExactlyMaxLengthIsNotTruncated) {
  Driver d;
  d.feed(B(std::string(ResponseCollector::kMaxLine, 'y') + "\r"));
  ASSERT_EQ(d.events.size(), 1u);
  EXPECT_FALSE(d.collector.lineTruncated());
  EXPECT_EQ(d.collector.line().size(), ResponseCollector::kMaxLine);
}

TEST(ResponseCollector, DleFollowedByAnyOtherByteIsDropped) {
  Driver d;
  d.collector.expectFrame();
  d.feed(Bytes{0xFF, DLE, 'a', 0x13, DLE, 0x11, 0x80, DLE, DLE, DLE, SUB, DLE, ETX});
  EXPECT_EQ(d.events, (std::vector<std::string>{"F:ff 13 80 10 10 10"}));
}

TEST(ResponseCollector, BackInLineModeAfterTheFrame) {
  Driver d;
  d.collector.expectFrame();
  EXPECT_TRUE(d.collector.inFrame());
  d.feed(Bytes{0xFF, 0x13, 0x8C, 0x00, 0x00, DLE, ETX});
  EXPECT_FALSE(d.collector.inFrame());
  d.feed(B("\r\nOK\r\n"));
  EXPECT_EQ(d.events.back(), "L:OK");
  EXPECT_EQ(Hex(d.collector.frame()), "ff 13 8c 00 00");  // the last frame stays readable
}

TEST(ResponseCollector, CrLfInsideAFrameIsData) {
  Driver d;
  d.collector.expectFrame();
  d.feed(Bytes{'\r', '\n', 0xFF, '\r', '\n', 0x40, '\r', DLE, ETX});
  EXPECT_EQ(d.events, (std::vector<std::string>{"F:ff 0d 0a 40 0d"}));
}

TEST(ResponseCollector, OverlongFrameIsDroppedToItsEndAndTheNextIsWhole) {
  Driver d;
  d.collector.expectFrame();
  d.feed(Bytes(ResponseCollector::kMaxFrame + 1, 0x55) + Bytes{DLE, ETX});
  EXPECT_EQ(d.events, (std::vector<std::string>{"F:overlong"}));
  EXPECT_TRUE(d.collector.frame().empty());
  d.collector.expectFrame();
  d.feed(Bytes{0xFF, 0x13, 0xFA, 1, 2, DLE, ETX});
  EXPECT_EQ(d.events.back(), "F:ff 13 fa 01 02");
  EXPECT_FALSE(d.collector.frameOverlong());
}

TEST(ResponseCollector, FrameLimitCountsUnshieldedBytes) {
  // kMaxFrame bytes fit, even when most of them arrive as DLE DLE.
  Driver d;
  d.collector.expectFrame();
  Bytes shielded;
  for (size_t i = 0; i < ResponseCollector::kMaxFrame; ++i) shielded = shielded + Bytes{DLE, DLE};
  d.feed(shielded + Bytes{DLE, ETX});
  EXPECT_FALSE(d.collector.frameOverlong());
  EXPECT_EQ(d.collector.frame().size(), ResponseCollector::kMaxFrame);
  // One byte short of the limit, a DLE SUB (two bytes) overflows it.
  d.collector.expectFrame();
  d.feed(Bytes(ResponseCollector::kMaxFrame - 1, 0x00) + Bytes{DLE, SUB, DLE, ETX});
  EXPECT_TRUE(d.collector.frameOverlong());
}

TEST(ResponseCollector, ResetAndExpectFrameDropPartialInput) {
  Driver d;
  d.feed(B("CONN"));
  d.collector.expectFrame();
  d.feed(Bytes{0xFF, 0x03});
  d.collector.reset();
  EXPECT_FALSE(d.collector.inFrame());
  d.feed(B("OK\r"));
  EXPECT_EQ(d.events, (std::vector<std::string>{"L:OK"}));
}

TEST(ResponseCollector, DleLeftOpenByResetDoesNotLeakIntoTheNextFrame) {
  Driver d;
  d.collector.expectFrame();
  d.feed(Bytes{0xFF, DLE});
  d.collector.expectFrame();
  d.feed(Bytes{ETX, 0xFF, DLE, ETX});  // the ETX is data now
  EXPECT_EQ(d.events, (std::vector<std::string>{"F:03 ff"}));
}

}  // namespace
}  // namespace telvane::t30
