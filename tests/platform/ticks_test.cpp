#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/ticks.h"

namespace telvane {
namespace {

TEST(Ticks, ConversionsMatchTheFixedPointRules) {
  EXPECT_EQ(TicksFromSeconds(10), 182);
  EXPECT_EQ(TicksFromSeconds(60), 1092);
  EXPECT_EQ(TicksFromSeconds(3), 54);
  EXPECT_EQ(TicksFromSeconds(30), 546);
  EXPECT_EQ(SecondsFromTicks(182), 10);
  EXPECT_EQ(SecondsFromTicks(1092), 60);
  EXPECT_EQ(SecondsFromTicks(0), 0);
  for (int s = 0; s < 100000; s += 7) EXPECT_EQ(SecondsFromTicks(TicksFromSeconds(s)), s) << s;
}

TEST(Ticks, CurrentTicksFollowTheInstalledClock) {
  ManualClock clock(55 * 1000);
  Clock* previous = SetClock(&clock);
  EXPECT_EQ(CurrentTicks(), 1000);
  clock.advance(54);
  EXPECT_EQ(CurrentTicks(), 1000);
  clock.advance(1);
  EXPECT_EQ(CurrentTicks(), 1001);
  clock.set(uint64_t{55} * TickWrap + 55 * 3);  // the count wraps
  EXPECT_EQ(CurrentTicks(), 3);
  SetClock(previous);
}

TEST(TickTimer, ExpiresOnlyAfterItsLastTick) {
  const TickTimer t = NewTimer(100, 18);
  EXPECT_FALSE(TimerExpired(t, 100));
  EXPECT_FALSE(TimerExpired(t, 118));
  EXPECT_TRUE(TimerExpired(t, 119));
  EXPECT_EQ(TicksRemaining(t, 110), 8);
  EXPECT_EQ(TicksRemaining(t, 200), 0);
}

TEST(TickTimer, ExpiresAcrossTheWrap) {
  const TickTimer t = NewTimer(TickWrap - 10, 20);  // expiry TickWrap + 10
  EXPECT_FALSE(TimerExpired(t, TickWrap - 1));
  EXPECT_FALSE(TimerExpired(t, 5));   // wrapped, 15 ticks in
  EXPECT_FALSE(TimerExpired(t, 10));
  EXPECT_TRUE(TimerExpired(t, 11));
  EXPECT_EQ(TicksElapsed(t, 5), 15);
  EXPECT_EQ(TicksRemaining(t, 5), 5);
}

TEST(TickTimer, IntervalIsCapped) {
  const TickTimer t = NewTimer(0, TickWrap + 1000);
  EXPECT_EQ(t.expiry, TickWrap);
  EXPECT_EQ(NewTimer(5, -3).expiry, 5);
}

}  // namespace
}  // namespace telvane
