#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "serial/data_trigger_matcher.h"
#include "serial/input_ring.h"
#include "serial/termios_device.h"

namespace telvane {
namespace {

void Fill(InputRing& ring, size_t n, uint8_t& next) {
  while (n > 0) {
    auto run = ring.freeRun();
    const size_t k = std::min(n, run.size());
    ASSERT_GT(k, 0u);
    for (size_t i = 0; i < k; ++i) run[i] = next++;
    ring.commit(k);
    n -= k;
    ASSERT_TRUE(ring.invariantHolds());
  }
}

TEST(InputRing, BytesComeOutInOrderAcrossManyWraps) {
  InputRing ring;
  uint8_t in = 0, out = 0;
  for (int round = 0; round < 50; ++round) {
    const size_t n = 1 + (round * 977) % InputRing::Size;
    Fill(ring, std::min(n, ring.space()), in);
    const size_t take = ring.count() / 2 + 1;
    for (size_t i = 0; i < take && !ring.empty(); ++i) {
      ASSERT_EQ(ring.at(0), out++);
      ring.consume(1);
      ASSERT_TRUE(ring.invariantHolds());
    }
  }
}

TEST(InputRing, FullExactlyWhenWriterCatchesUpAndFreeRunIsEmpty) {
  InputRing ring;
  uint8_t next = 0;
  Fill(ring, InputRing::Size, next);
  EXPECT_TRUE(ring.full());
  EXPECT_EQ(ring.freeRun().size(), 0u);
  ring.consume(1);
  EXPECT_FALSE(ring.full());
  EXPECT_EQ(ring.freeRun().size(), 1u);  // the run up to the read index
}

TEST(InputRing, FreeSpaceOnBothSidesOfTheEndIsOfferedAsTwoRuns) {
  InputRing ring;
  EXPECT_TRUE(ring.wrappedFreeRun().empty()) << "a fresh ring's free space does not wrap";
  uint8_t next = 0;
  Fill(ring, InputRing::Size - 100, next);
  ring.consume(5000);
  EXPECT_EQ(ring.freeRun().size(), 100u);
  const auto wrapped = ring.wrappedFreeRun();
  EXPECT_EQ(wrapped.size(), 5000u);
  EXPECT_EQ(wrapped.data(), ring.freeRun().data() - (InputRing::Size - 100)) << "the second run starts the array";
  // Written as one read: both runs, then one commit.
  for (auto run : {ring.freeRun(), ring.wrappedFreeRun()})
    for (uint8_t& byte : run) byte = next++;
  ring.commit(5100);
  EXPECT_TRUE(ring.full());
  for (size_t i = 0; i < ring.count(); ++i) ASSERT_EQ(ring.at(i), static_cast<uint8_t>(5000 + i));
}

TEST(InputRing, CopyOutWrapsAndRespectsOffset) {
  InputRing ring;
  uint8_t next = 0;
  Fill(ring, 8000, next);
  ring.consume(7990);
  Fill(ring, 20, next);  // wraps
  std::vector<uint8_t> out(25);
  EXPECT_EQ(ring.copyOut(3, out), 25u);
  for (size_t i = 0; i < 25; ++i) EXPECT_EQ(out[i], static_cast<uint8_t>(7990 + 3 + i));
}

TEST(OutputRing, ExactFitFillsAndRunsComeOutContiguouslyInOrder) {
  OutputRing ring;
  ring.allocate(10);
  std::vector<uint8_t> a = {1, 2, 3, 4, 5, 6, 7};
  ring.append(a);
  ring.consume(5);
  std::vector<uint8_t> b = {8, 9, 10, 11, 12, 13, 14, 15};  // exactly the free space
  ASSERT_EQ(ring.space(), b.size());
  ring.append(b);
  EXPECT_TRUE(ring.full());
  std::vector<uint8_t> seen;
  while (!ring.empty()) {
    const auto run = ring.tailRun();
    ASSERT_FALSE(run.empty());
    seen.insert(seen.end(), run.begin(), run.end());
    ring.consume(run.size());
    ASSERT_TRUE(ring.invariantHolds());
  }
  EXPECT_TRUE(ring.tailRun().empty());
  EXPECT_EQ(seen, (std::vector<uint8_t>{6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
}

int Feed(DataTriggerMatcher& m, std::string_view bytes) {
  int matches = 0;
  for (char c : bytes) matches += m.feed(static_cast<uint8_t>(c));
  return matches;
}

TEST(DataTriggerMatcher, MatchesAcrossSplitFeedsAndOverlappingStarts) {
  DataTriggerMatcher ok("\r\nOK\r\n", false);
  EXPECT_EQ(Feed(ok, "AT\r\r\n"), 0);
  EXPECT_EQ(Feed(ok, "OK\r"), 0);
  EXPECT_EQ(Feed(ok, "\nrest"), 1);
  DataTriggerMatcher aab("aab", false);
  EXPECT_EQ(Feed(aab, "aaab"), 1);  // the match starting at the second 'a'
  DataTriggerMatcher abab("abab", false);
  EXPECT_EQ(Feed(abab, "abababab"), 2);  // a match resets all positions
}

TEST(DataTriggerMatcher, IgnoreCaseFoldsBothSides) {
  DataTriggerMatcher connect("Connect", true);
  EXPECT_EQ(Feed(connect, "xxCONNECT 9600"), 1);
  DataTriggerMatcher exact("Connect", false);
  EXPECT_EQ(Feed(exact, "CONNECT connect Connect"), 1);
}

TEST(DataTriggerMatcher, SingleCharacterAndEmptyStrings) {
  DataTriggerMatcher one("\x10", false);
  EXPECT_EQ(Feed(one, std::string("\x10\x10", 2)), 2);
  DataTriggerMatcher none("", false);
  EXPECT_EQ(Feed(none, "anything"), 0);
}

TEST(DataTriggerMatcher, LongestStringWithWorstCaseOverlapStillMatches) {
  const std::string text(DataTriggerMatcher::MaxLength - 1, 'a');
  DataTriggerMatcher m(text + "b", false);
  EXPECT_EQ(Feed(m, std::string(100, 'a') + "b"), 1);
}

TEST(LineErrors, DriverCountersBecomeDeviceErrorBits) {
  LineErrorCounts before{1, 2, 3, 4, 5};
  LineErrorCounts after = before;
  EXPECT_EQ(ErrorBitsFromCounts(before, after), 0u);
  after.overrun++;
  after.brk++;
  EXPECT_EQ(ErrorBitsFromCounts(before, after), ceOverrun | ceBreak);
  after = before;
  after.frame++;
  after.parity++;
  after.bufferOverrun++;
  EXPECT_EQ(ErrorBitsFromCounts(before, after), ceFrame | ceRxParity | ceRxOver);
}

}  // namespace
}  // namespace telvane
