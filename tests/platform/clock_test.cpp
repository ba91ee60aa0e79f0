#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "platform/clock.h"

namespace telvane {
namespace {

using std::chrono::steady_clock;

double MillisecondsBetween(steady_clock::time_point from, steady_clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

TEST(ScaledClock, RunsFactorTimesFasterThanTheSystemClock) {
  for (double factor : {8.0, 0.5}) {
    ScaledClock clock(factor, 1000);
    // Bracketed by readings of the steady clock, the scaled count must lie
    // between factor x the inner and factor x the outer interval.
    const auto outerStart = steady_clock::now();
    const uint64_t start = clock.milliseconds();
    const auto innerStart = steady_clock::now();
    EXPECT_GE(start, 1000u);
    clock.sleepMilliseconds(40);  // 5 ms of wall time at 8, 80 at 0.5
    const auto innerEnd = steady_clock::now();
    const uint64_t end = clock.milliseconds();
    const auto outerEnd = steady_clock::now();
    const double advanced = static_cast<double>(end - start);
    EXPECT_GE(advanced, factor * MillisecondsBetween(innerStart, innerEnd) - 1) << factor;
    EXPECT_LE(advanced, factor * MillisecondsBetween(outerStart, outerEnd) + 1) << factor;
    EXPECT_GE(MillisecondsBetween(innerStart, innerEnd), 40 / factor) << factor;
    EXPECT_GE(advanced, 39.0) << factor;  // a sleep of 40 ms of this clock
  }
}

TEST(ScaledClock, NeverGoesBackwards) {
  ScaledClock clock(1000);
  uint64_t last = clock.milliseconds();
  for (int i = 0; i < 100000; ++i) {
    const uint64_t now = clock.milliseconds();
    ASSERT_GE(now, last);
    last = now;
  }
}

TEST(ScaledClock, WallMillisecondsAreTheClocksDividedByTheFactorRoundedUp) {
  ScaledClock eight(8);
  EXPECT_EQ(eight.wallMillisecondsFor(220), 28u);  // 4 ticks: 27.5 ms
  EXPECT_EQ(eight.wallMillisecondsFor(400), 50u);
  EXPECT_EQ(eight.wallMillisecondsFor(1), 1u);     // a wait never ends early
  EXPECT_EQ(eight.wallMillisecondsFor(0), 0u);
  EXPECT_EQ(ScaledClock(0.5).wallMillisecondsFor(10), 20u);
  EXPECT_EQ(ScaledClock(3).wallMillisecondsFor(300), 100u);
  EXPECT_EQ(ScaledClock(0.5).wallMillisecondsFor(UINT64_MAX), UINT64_MAX);  // saturates
  // The other clocks keep the identity.
  EXPECT_EQ(SystemClock().wallMillisecondsFor(220), 220u);
  EXPECT_EQ(ManualClock(5).wallMillisecondsFor(220), 220u);
}

TEST(ScaledClock, FactorsOutsideTheRangeAreClamped) {
  EXPECT_EQ(ScaledClock(0.001).factor(), ScaledClock::MinFactor);
  EXPECT_EQ(ScaledClock(0).factor(), ScaledClock::MinFactor);
  EXPECT_EQ(ScaledClock(-4).factor(), ScaledClock::MinFactor);
  EXPECT_EQ(ScaledClock(std::nan("")).factor(), ScaledClock::MinFactor);
  EXPECT_EQ(ScaledClock(1e300).factor(), ScaledClock::MaxFactor);
  EXPECT_EQ(ScaledClock(0.001).wallMillisecondsFor(1), 100u);
}

}  // namespace
}  // namespace telvane
