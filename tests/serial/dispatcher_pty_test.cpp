// The dispatcher on real pseudo-terminals: opening, triggers in their
// order, timers across the tick rules and the dispatch thread's wait,
// status triggers and dispatch rounds, peeking handlers, purges, DTR/RTS,
// and the trace.

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <utility>

#include "platform/clock.h"
#include "platform/ticks.h"
#include "serial/status_codes.h"
#include "tests/serial/dispatcher_fixture.h"
#include "tests/support/temp_dir.h"

namespace telvane::test {
namespace {

using namespace std::chrono_literals;

TEST_F(DispatcherTest, OpeningAMissingDeviceSaysItDoesNotExist) {
  TKovaTermiosDispatcher other;
  EXPECT_EQ(other.OpenPort("/dev/telvane-no-such-port", 19200, 3, 4096, 4096, 8, 1, 0), ecFileNotFound);
  EXPECT_FALSE(other.IsOpen());
}

TEST_F(DispatcherTest, OpeningAPortHeldByAnotherSaysAccessDenied) {
  ASSERT_EQ(open(), 0);
  TKovaTermiosDispatcher other;
  EXPECT_EQ(other.OpenPort(pty.slavePath(), 19200, 3, 4096, 4096, 8, 1, 0), ecAccessDenied);
  dispatcher.ClosePort();
  EXPECT_EQ(other.OpenPort(pty.slavePath(), 19200, 3, 4096, 4096, 8, 1, 0), 0);  // free again
  other.ClosePort();
}

TEST_F(DispatcherTest, BytesTravelBothWaysAndLineSettingsReadBack) {
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(dispatcher.SendText("AT\r"), 0);
  EXPECT_EQ(pty.read(3), "AT\r");
  pty.write("\r\nOK\r\n");
  EXPECT_EQ(receive(6), "\r\nOK\r\n");
  int32_t baud;
  int parity, data, stop;
  dispatcher.GetLineParams(baud, parity, data, stop);
  EXPECT_EQ(baud, 19200);
  EXPECT_EQ(data, 8);
  EXPECT_EQ(stop, 1);
  EXPECT_EQ(dispatcher.SetLineParams(115200, 5, 9, 3), 0);  // only the baud changes
  dispatcher.GetLineParams(baud, parity, data, stop);
  EXPECT_EQ(baud, 115200);
  EXPECT_EQ(data, 8);
  EXPECT_EQ(dispatcher.SetLineParams(12345, 5, 9, 3), ecBaudRate);
  EXPECT_EQ(dispatcher.SetLineParams(0, 5, 4, 3), ecByteSize);
}

TEST_F(DispatcherTest, AnUnchangedLineSettingNeitherDrainsNorWaits) {
  ASSERT_EQ(open(), 0);
  ScopedManualClock manual(1000);
  ManualClock& clock = manual.clock;
  EXPECT_EQ(dispatcher.SetLineParams(19200, 0, 8, 1), 0);
  EXPECT_EQ(clock.milliseconds(), 1000u);  // no drain, no character delay
  // A change waits for 18 characters at the baud in use before it: the
  // first one since opening uses 115200 (2 ms), the next 9600 (19 ms).
  EXPECT_EQ(dispatcher.SetLineParams(9600, 0, 8, 1), 0);
  EXPECT_EQ(clock.milliseconds(), 1002u);
  EXPECT_EQ(dispatcher.SetLineParams(19200, 0, 8, 1), 0);
  EXPECT_EQ(clock.milliseconds(), 1002u + 19u);
  dispatcher.ClosePort();  // no thread may still read this clock
}

TEST_F(DispatcherTest, AvailTriggerAnnouncesBytesAndConsumesWhatHandlersPeeked) {
  ASSERT_EQ(open(), 0);
  std::string taken;
  recorder.onDelivery = [&](unsigned message, unsigned count, int32_t packed) {
    if (message != TriggerAvail) return;
    EXPECT_EQ(static_cast<int>(static_cast<uint32_t>(packed) >> 16), dispatcher.Handle());
    // Handlers only peek: the next one sees the same bytes.
    uint8_t b;
    for (unsigned i = 0; i < count && dispatcher.TakeByte(b) == 0; ++i) taken.push_back(static_cast<char>(b));
  };
  listen();
  std::atomic<int> secondSaw{0};
  dispatcher.AddMethodHandler(&secondSaw, [&](unsigned message, unsigned, int32_t) {
    if (message == TriggerAvail) secondSaw = dispatcher.InputCount();
  });
  dispatcher.SetAvailThreshold(5);
  pty.write("1234");
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(recorder.count(TriggerAvail), 0u);  // below the threshold
  pty.write("5");
  ASSERT_TRUE(WaitFor([&] { return recorder.count(TriggerAvail) >= 1; }));
  EXPECT_EQ(recorder.deliveries()[0].param, 5u);
  EXPECT_EQ(taken, "12345");
  EXPECT_EQ(secondSaw.load(), 5);
  EXPECT_TRUE(WaitFor([&] { return dispatcher.InputCount() == 0; }));  // consumed after the delivery
}

TEST_F(DispatcherTest, AThreadOutsideADeliveryTakesBytesWhileTheHandlersOnlyPeek) {
  // A poller on another thread once peeked along with the handlers: it got
  // "ABCDEFGHABCDEFGH" for "ABCDEFGH".
  ASSERT_EQ(open(), 0);
  Gate first, second;
  first.arm();
  second.arm();
  std::string firstPeeked(3, '?');  // written by the handler before it holds
  dispatcher.AddMethodHandler(&first, [&](unsigned message, unsigned, int32_t) {
    if (message != TriggerAvail) return;
    auto bytes = std::span(reinterpret_cast<uint8_t*>(firstPeeked.data()), firstPeeked.size());
    EXPECT_EQ(dispatcher.GetBlock(bytes), 3);
    first.pass();
  });
  dispatcher.AddMethodHandler(&second, [&](unsigned message, unsigned, int32_t) {
    if (message == TriggerAvail) second.pass();
  });
  dispatcher.SetAvailThreshold(8);
  pty.write("ABCDEFGH");
  auto poll = [&] {
    std::string got;
    uint8_t b;
    while (dispatcher.TakeByte(b) == 0) got.push_back(static_cast<char>(b));
    return got;
  };
  ASSERT_TRUE(WaitFor([&] { return first.holding(); }));
  EXPECT_EQ(firstPeeked, "ABC");
  std::string polled = poll();
  first.release();
  ASSERT_TRUE(WaitFor([&] { return second.holding(); }));
  polled += poll();  // the next handler's turn: nothing is left to take again
  second.release();
  ASSERT_TRUE(WaitFor([&] { return !dispatcher.Delivering(); }));
  EXPECT_EQ(polled, "ABCDEFGH");
  // The delivery's end consumes what its handlers read and the poller has
  // not taken: here nothing, so the bytes after it are not eaten.
  pty.write("IJ");
  EXPECT_EQ(receive(2), "IJ");
}

TEST_F(DispatcherTest, AHandlerRunOnTheUiThreadPeeksLikeOneOnTheDispatchThread) {
  ASSERT_EQ(open(), 0);
  std::string onUi;  // the UI thread is this one, in WaitFor
  dispatcher.AddMethodHandler(
      &onUi,
      [&](unsigned message, unsigned count, int32_t) {
        uint8_t b;
        for (unsigned i = 0; message == TriggerAvail && i < count && dispatcher.TakeByte(b) == 0; ++i)
          onUi.push_back(static_cast<char>(b));
      },
      /*synchronize=*/true);
  std::string onDispatch;
  std::atomic<bool> dispatchDone{false};
  dispatcher.AddMethodHandler(&onDispatch, [&](unsigned message, unsigned count, int32_t) {
    if (message != TriggerAvail) return;
    onDispatch.resize(count);
    dispatcher.GetBlock(std::span(reinterpret_cast<uint8_t*>(onDispatch.data()), onDispatch.size()));
    dispatchDone = true;
  });
  dispatcher.SetAvailThreshold(5);
  pty.write("12345");
  ASSERT_TRUE(WaitFor([&] { return dispatchDone.load(); }));
  EXPECT_EQ(onUi, "12345");
  EXPECT_EQ(onDispatch, "12345");  // the UI handler only peeked
  EXPECT_TRUE(WaitFor([&] { return dispatcher.InputCount() == 0; }));
}

TEST_F(DispatcherTest, DataTriggersAtTheSameByteFireLaterRegisteredFirstAfterTheAvailBeforeThem) {
  ASSERT_EQ(open(), 0);
  listen();
  const int ok = dispatcher.NewDataTrigger("OK\r", false);
  const int k = dispatcher.NewDataTrigger("K\r", false);
  ASSERT_GT(ok, 0);
  ASSERT_GT(k, 0);
  dispatcher.SetAvailThreshold(1);
  pty.write("xyOK\r");
  ASSERT_TRUE(WaitFor([&] { return recorder.count(TriggerData) == 2; }));
  const auto d = recorder.deliveries();
  ASSERT_GE(d.size(), 3u);
  EXPECT_EQ(d[0].message, TriggerAvail);
  EXPECT_EQ(d[0].param, 2u);  // the bytes before the longest match
  EXPECT_EQ(d[1].message, TriggerData);
  EXPECT_EQ(static_cast<int>(d[1].param), k);
  EXPECT_EQ(d[1].packed & 0xFFFF, 2);  // the string's length
  EXPECT_EQ(d[2].message, TriggerData);
  EXPECT_EQ(static_cast<int>(d[2].param), ok);
  EXPECT_EQ(d[2].packed & 0xFFFF, 3);
}

TEST_F(DispatcherTest, DataTriggersWithAndWithoutIgnoreCase) {
  ASSERT_EQ(open(), 0);
  listen();
  const int exact = dispatcher.NewDataTrigger("CONNECT", false);
  const int folded = dispatcher.NewDataTrigger("ring", true);
  pty.write("connect\r\nRING\r\nRiNg\r\nCONN");
  pty.write("ECT 9600\r\n");
  ASSERT_TRUE(WaitFor([&] { return recorder.count(TriggerData) == 3; }));
  std::this_thread::sleep_for(100ms);
  std::vector<int> handles;
  for (const auto& d : recorder.deliveries())
    if (d.message == TriggerData) handles.push_back(static_cast<int>(d.param));
  EXPECT_EQ(handles, (std::vector<int>{folded, folded, exact}));
}

TEST_F(DispatcherTest, TimerFiresOnlyAfterItsTicksHaveFullyPassed) {
  ScopedManualClock manual(55 * 1000);
  ManualClock& clock = manual.clock;
  ASSERT_EQ(open(), 0);
  listen();
  const int timer = dispatcher.NewTimerTrigger();
  ASSERT_EQ(dispatcher.ArmTimerTrigger(timer, 10, true), 0);
  clock.advance(10 * 55);  // expiry == now: not yet
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(recorder.count(TriggerTimer), 0u);
  clock.advance(55);
  ASSERT_TRUE(WaitFor([&] { return recorder.count(TriggerTimer) == 1; }));
  EXPECT_EQ(static_cast<int>(recorder.deliveries()[0].param), timer);
  // Fired timers are inactive until armed again; 0 ticks keeps the interval.
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(recorder.count(TriggerTimer), 1u);
  ASSERT_EQ(dispatcher.ArmTimerTrigger(timer, 0, true), 0);
  clock.advance(11 * 55);
  EXPECT_TRUE(WaitFor([&] { return recorder.count(TriggerTimer) == 2; }));
  dispatcher.ClosePort();
}

TEST_F(DispatcherTest, TimerStartedJustBeforeTheTickCountWrapsStillExpires) {
  ScopedManualClock manual(static_cast<uint64_t>(TickWrap - 5) * 55);
  ManualClock& clock = manual.clock;
  ASSERT_EQ(open(), 0);
  listen();
  const int timer = dispatcher.NewTimerTrigger();
  dispatcher.ArmTimerTrigger(timer, 20, true);
  clock.advance(10 * 55);  // the count wrapped to 5; 10 ticks have passed
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(recorder.count(TriggerTimer), 0u);
  clock.advance(11 * 55);
  EXPECT_TRUE(WaitFor([&] { return recorder.count(TriggerTimer) == 1; }));
  dispatcher.ClosePort();
}

TEST_F(DispatcherTest, TheDispatchWaitEndsWhenTheNearestTimerExpires) {
  ScopedManualClock manual(55 * 1000 + 10);  // 10 ms into tick 1000
  ManualClock& clock = manual.clock;
  ASSERT_EQ(open(), 0);
  listen();
  EXPECT_TRUE(WaitFor([&] { return dispatcher.lastWaitMs.load() == 50; }));  // no timer: the longest wait
  ASSERT_GT(dispatcher.NewTimerTrigger(), 0);  // never armed: no part in the wait
  const int far = dispatcher.NewTimerTrigger();
  const int near = dispatcher.NewTimerTrigger();
  dispatcher.ArmTimerTrigger(far, 20, true);   // expires as tick 1021 begins
  dispatcher.ArmTimerTrigger(near, 1, true);   // as tick 1002 begins, 100 ms on
  clock.advance(60);                           // 40 ms before tick 1002
  EXPECT_TRUE(WaitFor([&] { return dispatcher.lastWaitMs.load() == 40; }));
  clock.advance(39);
  EXPECT_TRUE(WaitFor([&] { return dispatcher.lastWaitMs.load() == 1; }));
  EXPECT_EQ(recorder.count(TriggerTimer), 0u);
  clock.advance(1);
  ASSERT_TRUE(WaitFor([&] { return recorder.count(TriggerTimer) == 1; }));
  EXPECT_EQ(static_cast<int>(recorder.deliveries()[0].param), near);
  clock.set(1020 * 55 + 50);
  EXPECT_TRUE(WaitFor([&] { return dispatcher.lastWaitMs.load() == 5; }));
  dispatcher.ArmTimerTrigger(far, 0, false);
  EXPECT_TRUE(WaitFor([&] { return dispatcher.lastWaitMs.load() == 50; }));
  dispatcher.ClosePort();
}

TEST_F(DispatcherTest, OnAClockEightTimesFasterAFourTickTimerFiresInItsWallTimeNotAFullRoundLater) {
  // 4 ticks are 220 ms of this clock, 27.5 ms of wall time; armed as a
  // tick begins it expires as the fifth begins, 34.4 ms on. Waiting the
  // round's 50 ms, or the clock's 220 ms as wall time, is late.
  ScopedClock<ScaledClock> scaled(8.0);
  ASSERT_EQ(open(), 0);
  const int timer = dispatcher.NewTimerTrigger();
  // Re-armed in its handler, the timer starts where a round ends: a wait
  // that ignored the timer would last a whole 50 ms every time.
  std::vector<std::chrono::steady_clock::time_point> firings;  // the handler's, until `done`
  std::atomic<bool> done{false};
  dispatcher.AddMethodHandler(&firings, [&](unsigned message, unsigned, int32_t) {
    if (message != TriggerTimer || done.load()) return;
    firings.push_back(std::chrono::steady_clock::now());
    if (firings.size() == 6)
      done = true;
    else
      dispatcher.ArmTimerTrigger(timer, 4, true);
  });
  dispatcher.ArmTimerTrigger(timer, 4, true);
  ASSERT_TRUE(WaitFor([&] { return done.load(); }));
  dispatcher.ClosePort();
  std::vector<double> intervals;
  for (size_t i = 1; i < firings.size(); ++i)
    intervals.push_back(std::chrono::duration<double, std::milli>(firings[i] - firings[i - 1]).count());
  // Never before 4 whole ticks; at most 5 (34.4 ms) and the scheduler.
  for (double ms : intervals) EXPECT_GE(ms, 27.0);
  EXPECT_LT(*std::min_element(intervals.begin(), intervals.end()), 45.0)
      << "intervals " << ::testing::PrintToString(intervals);
}

TEST_F(DispatcherTest, AStatusTriggerReArmedInItsOwnHandlerFiresOnceARoundAndTimersAndInputStillRun) {
  // A page loop re-arms output-free in that trigger's own handler. It once
  // fired again in the same round for ever: millions of deliveries a
  // second, and no timer or input served.
  ScopedManualClock manual(55 * 1000);
  ASSERT_EQ(open(), 0);  // a 4096-byte output ring: 4096 free holds at once
  const int outFree = dispatcher.NewStatusTrigger(stOutBuffFree);
  const int timer = dispatcher.NewTimerTrigger();
  std::atomic<bool> rearm{true}, timerFired{false};
  std::atomic<int> fired{0}, twiceInARound{0}, inputTaken{0};
  uint64_t lastRound = UINT64_MAX;  // the handler's
  dispatcher.AddMethodHandler(&fired, [&](unsigned message, unsigned param, int32_t) {
    if (message == TriggerStatus && static_cast<int>(param) == outFree) {
      const uint64_t round = dispatcher.rounds.load();  // one wait a round, on this thread
      if (std::exchange(lastRound, round) == round) ++twiceInARound;
      ++fired;
      if (rearm.load()) dispatcher.ArmStatusTrigger(outFree, 4096, true);
    } else if (message == TriggerTimer) {
      timerFired = true;
    } else if (message == TriggerAvail) {
      uint8_t b;
      while (dispatcher.TakeByte(b) == 0) ++inputTaken;
    }
  });
  dispatcher.SetAvailThreshold(1);
  ASSERT_EQ(dispatcher.ArmStatusTrigger(outFree, 4096, true), 0);
  ASSERT_TRUE(WaitFor([&] { return fired.load() >= 1; }));
  dispatcher.ArmTimerTrigger(timer, 1, true);
  manual.clock.advance(2 * 55);
  EXPECT_TRUE(WaitFor([&] { return timerFired.load(); }));
  pty.write("input");
  EXPECT_TRUE(WaitFor([&] { return inputTaken.load() == 5; }));
  EXPECT_TRUE(WaitFor([&] { return fired.load() >= 4; }));  // and it goes on firing, a round apart
  rearm = false;
  dispatcher.ClosePort();
  EXPECT_EQ(twiceInARound.load(), 0) << fired.load() << " deliveries";
}

TEST_F(DispatcherTest, OutputStatusTriggersFireOnFreeSpaceUsedCountAndSentData) {
  ASSERT_EQ(open(), 0);
  listen();
  const int sent = dispatcher.NewStatusTrigger(stOutSent);
  const int used = dispatcher.NewStatusTrigger(stOutBuffUsed);
  const int freeSpace = dispatcher.NewStatusTrigger(stOutBuffFree);
  EXPECT_EQ(sent & 7, stOutSent);
  EXPECT_EQ(used & 7, stOutBuffUsed);
  dispatcher.ArmStatusTrigger(sent, 0, true);
  ASSERT_EQ(dispatcher.SendText("hello"), 0);
  ASSERT_TRUE(WaitFor([&] { return recorder.count(TriggerStatus) == 1; }));
  EXPECT_EQ(static_cast<int>(recorder.deliveries()[0].param), sent);
  EXPECT_EQ(pty.read(5), "hello");
  dispatcher.ArmStatusTrigger(used, 0, true);
  dispatcher.ArmStatusTrigger(freeSpace, 4096, true);
  ASSERT_TRUE(WaitFor([&] { return recorder.count(TriggerStatus) == 3; }));
  const auto d = recorder.deliveries();
  EXPECT_EQ(static_cast<int>(d[1].param), used);
  EXPECT_EQ(d[1].packed & 0xFFFF, 0);  // the output count
  EXPECT_EQ(static_cast<int>(d[2].param), freeSpace);
  EXPECT_EQ(d[2].packed & 0xFFFF, 4096);  // the free space
}

TEST_F(DispatcherTest, ModemLinesOfAPtyAreOnAndNeverChange) {
  ASSERT_EQ(open(), 0);
  listen();
  const int modem = dispatcher.NewStatusTrigger(stModem);
  dispatcher.ArmStatusTrigger(modem, msCTS | msDSR | msDCD | msRI, true);
  EXPECT_EQ(dispatcher.ReadModemStatus(0xF0), msCTS | msDSR | msDCD);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(recorder.count(TriggerStatus), 0u);
  EXPECT_EQ(dispatcher.ReadLineError(), leNoError);
}

TEST_F(DispatcherTest, DtrAndRtsFollowTheProgramUnlessUnderFlowControl) {
  ASSERT_EQ(open(loDtrOn), 0);
  EXPECT_TRUE(dispatcher.DtrState());
  EXPECT_FALSE(dispatcher.RtsState());
  EXPECT_EQ(dispatcher.SetRtsLine(true), 0);
  EXPECT_TRUE(dispatcher.RtsState());
  EXPECT_EQ(dispatcher.SetDtrLine(false), 0);
  EXPECT_FALSE(dispatcher.DtrState());
  ASSERT_EQ(dispatcher.SetHardwareFlow(3000, 500, hfUseDTR), 0);
  EXPECT_EQ(dispatcher.SetDtrLine(false), 1);  // ignored: DTR belongs to the flow control
  EXPECT_EQ(dispatcher.SetRtsLine(false), 0);
  EXPECT_EQ(dispatcher.SetHardwareFlow(5000, 500, hfUseRTS), ecBadArgument);  // above the input size
  EXPECT_EQ(dispatcher.SetHardwareFlow(400, 500, hfUseRTS), ecBadArgument);   // resume above full
  EXPECT_EQ(dispatcher.SetHardwareFlow(0, 0, 0), 0);
  EXPECT_EQ(dispatcher.SetDtrLine(true), 0);
}

TEST_F(DispatcherTest, ExactFitBlockFillsTheRingAndOneMoreByteIsRefused) {
  ASSERT_EQ(open(3, 100), 0);
  ASSERT_EQ(dispatcher.SetSoftwareFlow(3000, 1000, sfTransmitFlow), 0);
  // Hold our output with XOff; the marker after it proves the line
  // discipline has seen it.
  pty.write(std::string("\x13M"));
  ASSERT_EQ(receive(1), "M");
  ASSERT_EQ(dispatcher.SendText(std::string(60, 'a')), 0);
  const int free = dispatcher.OutputFree();
  ASSERT_EQ(free, 40);
  EXPECT_EQ(dispatcher.SendText(std::string(41, 'b')), ecOutputBufferTooSmall);
  EXPECT_EQ(dispatcher.OutputCount(), 60);
  ASSERT_EQ(dispatcher.SendText(std::string(40, 'c')), 0);
  EXPECT_EQ(dispatcher.OutputFree(), 0);
  EXPECT_EQ(dispatcher.SendByte('d'), ecOutputBufferTooSmall);
  pty.write(std::string("\x11"));  // XOn
  EXPECT_EQ(pty.read(100), std::string(60, 'a') + std::string(40, 'c'));
}

TEST_F(DispatcherTest, PurgingTheOutputDropsWhatTheDeviceHasNotTaken) {
  ASSERT_EQ(open(), 0);
  ASSERT_EQ(dispatcher.SetSoftwareFlow(3000, 1000, sfTransmitFlow), 0);
  pty.write(std::string("\x13M"));
  ASSERT_EQ(receive(1), "M");
  ASSERT_EQ(dispatcher.SendText("dropped"), 0);
  EXPECT_EQ(dispatcher.OutputCount(), 7);
  EXPECT_EQ(dispatcher.ClearOutput(), 0);
  EXPECT_EQ(dispatcher.OutputCount(), 0);
  pty.write(std::string("\x11"));
  ASSERT_EQ(dispatcher.SendText("kept"), 0);
  EXPECT_EQ(pty.read(4), "kept");
  // Input purge: what the ring holds is gone.
  pty.write("junk");
  ASSERT_TRUE(WaitFor([&] { return dispatcher.InputCount() == 4; }));
  EXPECT_EQ(dispatcher.ClearInput(), 0);
  EXPECT_EQ(dispatcher.InputCount(), 0);
  uint8_t b;
  EXPECT_EQ(dispatcher.TakeByte(b), ecBufferIsEmpty);
  EXPECT_EQ(dispatcher.PeekByte(b, 1), ecBufferIsEmpty);
}

TEST_F(DispatcherTest, TriggerHandlesAreMultiplesOfEightAndReusedAfter4095) {
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(dispatcher.NewTimerTrigger(), 8);
  EXPECT_EQ(dispatcher.NewStatusTrigger(stLine), 16 | stLine);
  EXPECT_EQ(dispatcher.NewDataTrigger("x", false), 24);
  EXPECT_EQ(dispatcher.NewStatusTrigger(6), ecBadArgument);
  EXPECT_EQ(dispatcher.NewDataTrigger(std::string(23, 'x'), false), ecTriggerTooLong);
  EXPECT_EQ(dispatcher.FreeTrigger(12345), ecBadTriggerHandle);
  EXPECT_EQ(dispatcher.ArmTimerTrigger(16, 1, true), ecBadTriggerHandle);
  for (int i = 4; i < 4096; ++i) ASSERT_EQ(dispatcher.NewTimerTrigger(), i * 8);
  EXPECT_EQ(dispatcher.FreeTrigger(16 | stLine), 0);
  EXPECT_EQ(dispatcher.FreeTrigger(800), 0);
  EXPECT_EQ(dispatcher.NewTimerTrigger(), 16);  // the lowest free multiple of 8
  EXPECT_EQ(dispatcher.NewTimerTrigger(), 800);
  EXPECT_EQ(dispatcher.FreeTrigger(AvailTriggerHandle), 0);
}

TEST_F(DispatcherTest, RemovingAHandlerInsideADeliveryLeavesTheOthersRunning) {
  ASSERT_EQ(open(), 0);
  std::atomic<int> first{0}, second{0}, third{0};
  int secondKey = 0;
  dispatcher.AddMethodHandler(&first, [&](unsigned, unsigned, int32_t) {
    if (first++ == 0) {
      EXPECT_EQ(dispatcher.RemoveMethodHandler(&secondKey), 0);
    }
  });
  dispatcher.AddMethodHandler(&secondKey, [&](unsigned, unsigned, int32_t) { ++second; });
  dispatcher.AddMethodHandler(&third, [&](unsigned m, unsigned c, int32_t) {
    ++third;
    uint8_t b;
    for (unsigned i = 0; m == TriggerAvail && i < c; ++i) dispatcher.TakeByte(b);
  });
  dispatcher.SetAvailThreshold(1);
  pty.write("a");
  ASSERT_TRUE(WaitFor([&] { return third.load() == 1; }));
  pty.write("b");
  ASSERT_TRUE(WaitFor([&] { return third.load() == 2; }));
  EXPECT_EQ(first.load(), 2);
  EXPECT_EQ(second.load(), 0);  // removed before its turn, gone afterwards
  EXPECT_EQ(dispatcher.RemoveMethodHandler(&secondKey), ecBadArgument);
}

TEST_F(DispatcherTest, AThrowingHandlerDoesNotKillTheDispatchThread) {
  ASSERT_EQ(open(), 0);
  std::atomic<bool> thrown{false};
  recorder.onDelivery = [&](unsigned, unsigned, int32_t) {
    if (!thrown.exchange(true)) throw std::runtime_error("handler failure (expected by the test)");
  };
  listen();
  dispatcher.SetAvailThreshold(1);
  pty.write("a");
  ASSERT_TRUE(WaitFor([&] { return dispatcher.HandlerExceptionCount() == 1; }));
  dispatcher.ClearInput();
  pty.write("b");
  EXPECT_TRUE(WaitFor([&] { return recorder.count(TriggerAvail) >= 1; }));
  EXPECT_EQ(dispatcher.RunningThreads(), 3);
}

TEST_F(DispatcherTest, SavedTriggersComeBackAfterAReopen) {
  ASSERT_EQ(open(), 0);
  const int timer = dispatcher.NewTimerTrigger();
  const int data = dispatcher.NewDataTrigger("OK", true);
  dispatcher.SetAvailThreshold(7);
  TriggerSaveRecord saved;
  dispatcher.SaveTriggerSet(saved);
  dispatcher.ClosePort();
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(dispatcher.AvailThreshold(), 0);  // opening clears them
  dispatcher.RestoreTriggerSet(saved);
  EXPECT_EQ(dispatcher.AvailThreshold(), 7);
  EXPECT_EQ(dispatcher.FreeTrigger(timer), 0);
  EXPECT_EQ(dispatcher.FreeTrigger(data), 0);
  EXPECT_EQ(dispatcher.NewTimerTrigger(), 24);  // the counter came back too
}

TEST_F(DispatcherTest, TraceAndLogRecordBothDirectionsAndDumpToFiles) {
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(dispatcher.TraceOn(MaxTraceSize + 1), ecBadArgument);
  ASSERT_EQ(dispatcher.TraceOn(1000), 0);
  ASSERT_EQ(dispatcher.EventLogOn(100000), 0);
  dispatcher.SetDeviceName("COM7");
  dispatcher.SendText("ATZ\r");
  EXPECT_EQ(pty.read(4), "ATZ\r");
  pty.write("OK\r\n");
  EXPECT_EQ(receive(4), "OK\r\n");
  TempDir dir;
  ASSERT_EQ(dispatcher.TraceDump(dir.file("t.trc"), false, true, false), 0);
  EXPECT_EQ(dir.read("t.trc"), "Transmit: \r\nATZ[0D]\r\n\r\nReceive: \r\nOK[0D][0A]\r\n");
  EXPECT_EQ(dispatcher.TraceText(true, false), "");  // a dump empties the trace
  ASSERT_EQ(dispatcher.EventLogDump(dir.file("d.log"), false, true, false), 0);
  const std::string log = dir.read("d.log");
  EXPECT_NE(log.find("Device: COM7"), std::string::npos);
  EXPECT_NE(log.find("Dispatch  WriteCom      00000004  ATZ[0D]"), std::string::npos);
  EXPECT_NE(log.find("Dispatch  ReadCom"), std::string::npos);
  dispatcher.TraceOff();
  EXPECT_EQ(dispatcher.TraceDump(dir.file("t.trc"), false, true, false), ecTracingNotEnabled);
}

}  // namespace
}  // namespace telvane::test
