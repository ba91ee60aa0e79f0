// Sustained traffic through both rings with flow control, purges racing the
// worker threads, closing while the threads are busy, and a device that
// vanishes while open.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <thread>

#include "serial/status_codes.h"
#include "tests/serial/dispatcher_fixture.h"

namespace telvane::test {
namespace {

using namespace std::chrono_literals;

constexpr uint8_t kXOn = 17, kXOff = 19;

// A byte stream without the flow characters, different for each direction.
std::vector<uint8_t> Pattern(size_t n, uint32_t seed) {
  std::vector<uint8_t> out(n);
  uint32_t x = seed;
  for (auto& b : out) {
    x = x * 1103515245u + 12345u;
    uint8_t v = static_cast<uint8_t>(x >> 16);
    if (v == kXOn || v == kXOff) v = 0x55;
    b = v;
  }
  return out;
}

TEST_F(DispatcherTest, MegabytesBothWaysAtOnceArriveWholeAndInOrderWithXOnXOffThresholdsCrossed) {
  constexpr size_t kBytes = 2 * 1024 * 1024;
  ASSERT_EQ(open(), 0);
  ASSERT_EQ(dispatcher.SetSoftwareFlow(3000, 1000, sfReceiveFlow | sfTransmitFlow), 0);
  const std::vector<uint8_t> toPort = Pattern(kBytes, 1);
  const std::vector<uint8_t> fromPort = Pattern(kBytes, 2);

  // The far end: one thread writes (and honours our XOff), one reads.
  std::atomic<bool> farHeld{false};
  std::atomic<int> xoffsSeen{0}, xonsSeen{0};
  std::vector<uint8_t> farReceived;
  std::atomic<bool> allReceived{false};
  std::thread farWriter([&] {
    size_t done = 0;
    while (done < toPort.size() && !allReceived.load()) {
      if (farHeld.load()) {
        std::this_thread::sleep_for(1ms);
        continue;
      }
      const size_t n = std::min<size_t>(512, toPort.size() - done);
      const ssize_t put = ::write(pty.master(), toPort.data() + done, n);
      if (put > 0) done += static_cast<size_t>(put);
    }
  });
  std::thread farReader([&] {
    uint8_t buffer[4096];
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    // Runs until our side has everything, then reads what is left: an XOn
    // may follow the last data.
    bool finalPass = false;
    while (std::chrono::steady_clock::now() < deadline) {
      if (allReceived.load()) finalPass = true;
      pollfd fd{pty.master(), POLLIN, 0};
      if (::poll(&fd, 1, 300) <= 0) {
        if (finalPass) break;
        continue;
      }
      const ssize_t got = ::read(pty.master(), buffer, sizeof buffer);
      for (ssize_t i = 0; i < got; ++i) {
        if (buffer[i] == kXOff) {
          ++xoffsSeen;
          farHeld = true;
        } else if (buffer[i] == kXOn) {
          ++xonsSeen;
          farHeld = false;
        } else {
          farReceived.push_back(buffer[i]);
        }
      }
    }
  });
  // Our side: one thread sends through the output ring, this one consumes
  // the input ring, slowly at times so the ring passes the buffer-full level.
  std::thread sender([&] {
    size_t done = 0;
    while (done < fromPort.size()) {
      const size_t n = std::min<size_t>(1000, fromPort.size() - done);
      const int rc = dispatcher.SendBlock(std::span(fromPort.data() + done, n));
      if (rc == 0)
        done += n;
      else if (rc == ecOutputBufferTooSmall)
        std::this_thread::sleep_for(1ms);
      else
        break;
    }
  });
  std::vector<uint8_t> received;
  received.reserve(kBytes);
  std::vector<uint8_t> chunk(700);
  bool sawPeerStopped = false;
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (received.size() < kBytes && std::chrono::steady_clock::now() < deadline) {
    sawPeerStopped |= dispatcher.PeerStopped();
    const size_t want = std::min(chunk.size(), kBytes - received.size());
    const int n = dispatcher.GetBlock(std::span(chunk.data(), std::min<size_t>(want, dispatcher.InputCount())));
    if (n > 0) received.insert(received.end(), chunk.begin(), chunk.begin() + n);
    if (n <= 0 || (received.size() / 4096) % 64 == 0) std::this_thread::sleep_for(1ms);
    if ((received.size() % (256 * 1024)) < 700) std::this_thread::sleep_for(30ms);  // a slow phase
  }
  allReceived = true;
  sender.join();
  farWriter.join();
  farReader.join();
  ASSERT_EQ(received.size(), toPort.size());
  EXPECT_TRUE(received == toPort) << "input bytes lost or reordered";
  ASSERT_EQ(farReceived.size(), fromPort.size());
  EXPECT_TRUE(farReceived == fromPort) << "output bytes lost or reordered";
  EXPECT_TRUE(sawPeerStopped);
  EXPECT_FALSE(dispatcher.PeerStopped());  // everything consumed: the peer is free to send
  EXPECT_FALSE(farHeld.load()) << "the last flow character the peer saw was an XOff";
  // The counts need not match: an XOn the device had no room for is
  // replaced by a newer XOff before it goes out.
  EXPECT_GT(xoffsSeen.load(), 0);
  EXPECT_GT(xonsSeen.load(), 0);
}

TEST_F(DispatcherTest, HardwareFlowHoldsThePeerAtBufferFullAndReleasesItAtResume) {
  ASSERT_EQ(open(), 0);
  ASSERT_EQ(dispatcher.SetHardwareFlow(3000, 1000, hfUseRTS), 0);
  pty.write(std::vector<uint8_t>(2999, 'a'));
  ASSERT_TRUE(WaitFor([&] { return dispatcher.InputCount() == 2999; }));
  EXPECT_FALSE(dispatcher.PeerStopped());
  pty.write("b");
  ASSERT_TRUE(WaitFor([&] { return dispatcher.PeerStopped(); }));
  std::vector<uint8_t> chunk(1999);
  ASSERT_EQ(dispatcher.GetBlock(chunk), 1999);
  EXPECT_TRUE(dispatcher.PeerStopped());  // 1001 left: still above the resume level
  uint8_t b;
  ASSERT_EQ(dispatcher.TakeByte(b), 0);
  EXPECT_FALSE(dispatcher.PeerStopped());
}

TEST_F(DispatcherTest, BytesArrivingWhileTheRingIsFullWaitInTheDevice) {
  ASSERT_EQ(open(), 0);
  const std::vector<uint8_t> data = Pattern(InputRing::Size + 3000, 7);
  std::thread far([&] { pty.write(data); });
  ASSERT_TRUE(WaitFor([&] { return dispatcher.InputCount() == static_cast<int>(InputRing::Size); }));
  std::vector<uint8_t> got(InputRing::Size);
  ASSERT_EQ(dispatcher.GetBlock(got), static_cast<int>(InputRing::Size));
  ASSERT_TRUE(WaitFor([&] { return dispatcher.InputCount() == 3000; }));
  std::vector<uint8_t> rest(3000);
  ASSERT_EQ(dispatcher.GetBlock(rest), 3000);
  far.join();
  got.insert(got.end(), rest.begin(), rest.end());
  EXPECT_TRUE(got == data);
}

TEST_F(DispatcherTest, BytesReadBeforeAnInputPurgeNeverLandInTheRingAfterIt) {
  ASSERT_EQ(open(), 0);
  dispatcher.readGate.arm();
  pty.write("stale");
  ASSERT_TRUE(WaitFor([&] { return dispatcher.readGate.holding(); }));  // read, not yet in the ring
  std::atomic<bool> purged{false};
  std::thread purger([&] {
    EXPECT_EQ(dispatcher.ClearInput(), 0);
    purged = true;
  });
  // The purge waits for the read in flight and then takes its bytes too.
  EXPECT_FALSE(WaitFor([&] { return purged.load(); }, 300ms));
  dispatcher.readGate.release();
  purger.join();
  pty.write("fresh");
  EXPECT_EQ(receive(5), "fresh");
}

// The device's writes split at the output purge: (before, after).
std::pair<std::string, std::string> SplitAtPurge(const std::vector<std::string>& log) {
  std::pair<std::string, std::string> parts;
  bool purged = false;
  for (const std::string& entry : log) {
    if (entry == "P:out")
      purged = true;
    else
      (purged ? parts.second : parts.first) += entry.substr(2);
  }
  return parts;
}

TEST_F(DispatcherTest, AnOutputPurgeWaitsForTheRunInFlightSoABlockSentMeanwhileIsNeitherGarbledNorSentTwice) {
  ASSERT_EQ(open(), 0);
  dispatcher.writeGate.arm();
  ASSERT_EQ(dispatcher.SendText("OLDOLDOLD"), 0);
  ASSERT_TRUE(WaitFor([&] { return dispatcher.writeGate.holding(); }));  // the output thread holds the run
  std::atomic<bool> purged{false};
  std::thread purger([&] {
    EXPECT_EQ(dispatcher.ClearOutput(), 0);
    purged = true;
  });
  // The ring is not emptied under the run being written, so a block sent
  // now cannot be appended over it. Sent while the purge runs, it is
  // purged with the rest.
  EXPECT_FALSE(WaitFor([&] { return dispatcher.OutputCount() == 0; }, 300ms));
  EXPECT_FALSE(purged.load());
  ASSERT_EQ(dispatcher.SendText("NEW"), 0);
  dispatcher.writeGate.release();
  purger.join();
  ASSERT_EQ(dispatcher.SendText("AFTER"), 0);
  ASSERT_TRUE(WaitFor([&] { return SplitAtPurge(dispatcher.deviceLog()).second.size() >= 5; }));
  const auto [before, after] = SplitAtPurge(dispatcher.deviceLog());
  EXPECT_EQ(std::string("OLDOLDOLD").substr(0, before.size()), before);
  EXPECT_EQ(after, "AFTER");
}

TEST_F(DispatcherTest, AnOutputPurgeSendsTheLastFlowCharacterAgain) {
  // The XOff may still have been in the purged transmit queue; without it
  // the peer would keep sending into a full ring.
  ASSERT_EQ(open(), 0);
  ASSERT_EQ(dispatcher.SetSoftwareFlow(100, 10, sfReceiveFlow), 0);
  pty.write(std::string(100, 'a'));
  ASSERT_TRUE(WaitFor([&] { return dispatcher.PeerStopped(); }));
  EXPECT_EQ(pty.read(1), std::string(1, kXOff));
  EXPECT_EQ(dispatcher.ClearOutput(), 0);
  EXPECT_EQ(pty.read(1), std::string(1, kXOff));
  std::vector<uint8_t> all(100);
  ASSERT_EQ(dispatcher.GetBlock(all), 100);
  EXPECT_EQ(pty.read(1), std::string(1, kXOn));
}

TEST_F(DispatcherTest, ClosingWhileThreadsAreBusyReturnsAndNothingIsDeliveredAfterwards) {
  ASSERT_EQ(open(), 0);
  std::atomic<bool> afterClose{false};
  std::atomic<int> late{0};
  recorder.onDelivery = [&](unsigned message, unsigned count, int32_t) {
    if (afterClose.load()) ++late;
    std::vector<uint8_t> bytes(message == TriggerAvail ? count : 0);
    dispatcher.GetBlock(bytes);
    std::this_thread::sleep_for(2ms);  // a slow handler
  };
  listen();
  dispatcher.SetAvailThreshold(1);
  const int timer = dispatcher.NewTimerTrigger();
  dispatcher.ArmTimerTrigger(timer, 1, true);
  std::atomic<bool> stop{false};
  ::fcntl(pty.master(), F_SETFL, O_NONBLOCK);
  std::thread far([&] {
    const std::vector<uint8_t> chunk(256, 'x');
    while (!stop.load()) {
      pollfd fd{pty.master(), POLLOUT, 0};
      if (::poll(&fd, 1, 10) > 0) {
        [[maybe_unused]] const ssize_t n = ::write(pty.master(), chunk.data(), chunk.size());
      }
      uint8_t drain[4096];
      while (::read(pty.master(), drain, sizeof drain) > 0) {
      }
    }
  });
  for (int i = 0; i < 20; ++i) dispatcher.SendText(std::string(200, 'y'));
  EXPECT_TRUE(WaitFor([&] { return recorder.count() > 5; }));
  EXPECT_EQ(dispatcher.ClosePort(), 0);
  afterClose = true;
  EXPECT_EQ(dispatcher.RunningThreads(), 0);
  EXPECT_FALSE(dispatcher.IsOpen());
  std::this_thread::sleep_for(100ms);
  stop = true;
  far.join();
  EXPECT_EQ(late.load(), 0);
  EXPECT_EQ(dispatcher.SendText("x"), ecCommNotOpen);
}

TEST_F(DispatcherTest, ClosingFromInsideAHandlerCompletesWhenTheDeliveryEnds) {
  ASSERT_EQ(open(), 0);
  std::atomic<int> calls{0};
  dispatcher.AddMethodHandler(&calls, [&](unsigned, unsigned, int32_t) {
    if (calls++ == 0) dispatcher.ClosePort();
  });
  std::atomic<bool> otherRan{false};
  dispatcher.AddMethodHandler(&otherRan, [&](unsigned, unsigned, int32_t) { otherRan = true; });
  dispatcher.SetAvailThreshold(1);
  pty.write("a");
  ASSERT_TRUE(WaitFor([&] { return dispatcher.DestroyPending() && dispatcher.RunningThreads() == 0; }));
  EXPECT_FALSE(otherRan.load());  // the delivery stopped once destruction was pending
  dispatcher.FinishClose();
  EXPECT_FALSE(dispatcher.IsOpen());
  pty.write("b");
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(calls.load(), 1);
  ASSERT_EQ(open(), 0);  // the port can be opened again
}

double ProcessCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST_F(DispatcherTest, AVanishedDeviceEndsWithAnErrorCodeNotASpin) {
  ASSERT_EQ(open(), 0);
  listen();
  dispatcher.SetAvailThreshold(1);
  pty.write("last words");
  ASSERT_TRUE(WaitFor([&] { return dispatcher.InputCount() == 10 || recorder.count() > 0; }));
  pty.hangUp();
  ASSERT_TRUE(WaitFor([&] { return dispatcher.DeviceLostCode() != 0; }));
  EXPECT_LT(dispatcher.DeviceLostCode(), 0);
  EXPECT_EQ(dispatcher.SendText("anyone?"), dispatcher.DeviceLostCode());
  // Nothing busy-waits on the dead device (a generous bound: a spinning
  // thread would use the whole interval).
  const double before = ProcessCpuSeconds();
  std::this_thread::sleep_for(400ms);
  EXPECT_LT(ProcessCpuSeconds() - before, 0.2);
  EXPECT_EQ(dispatcher.ClosePort(), 0);
  EXPECT_EQ(dispatcher.RunningThreads(), 0);
}

}  // namespace
}  // namespace telvane::test
