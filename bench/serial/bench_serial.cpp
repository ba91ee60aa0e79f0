// bench_serial: the dispatcher against a plain poll() loop on the same kind
// of pseudo-terminal, measured in the same run.
//
//   latency     a byte written on the far side of a pty until the avail
//               trigger's handler runs (dispatcher), or until a poll()/read()
//               loop has it (reference); median and 99th percentile
//   throughput  bytes through both directions at once: the input ring
//               emptied by an avail handler and the output ring filled by
//               SendBlock (dispatcher), or one poll() loop reading and
//               writing the pty (reference)

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <mutex>
#include <thread>
#include <vector>

#include "serial/status_codes.h"
#include "serial/termios_dispatcher.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace telvane;

constexpr int kLatencySamples = 3000;
constexpr size_t kThroughputBytes = 16u << 20;  // each way
constexpr int kOutSize = 32768;
constexpr int kThroughputRounds = 7;  // alternating, so both sides see the same load

struct Pty {
  Pty() {
    char name[256] = {};
    termios raw{};
    ::cfmakeraw(&raw);
    if (::openpty(&master, &slave, name, &raw, nullptr) != 0) throw std::runtime_error("openpty");
    path = name;
  }
  ~Pty() {
    ::close(master);
    ::close(slave);
  }
  int master = -1, slave = -1;
  std::string path;
};

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

struct Stats {
  double median, p99;
};

Stats Summarise(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)]};
}

// Writes one byte at a time on the far side and waits for `arrived` to move.
std::vector<double> MeasureLatency(int master, std::atomic<int>& arrived, std::atomic<int64_t>& arrivedAt) {
  std::vector<double> samples;
  samples.reserve(kLatencySamples);
  for (int i = 0; i < kLatencySamples; ++i) {
    const uint8_t byte = static_cast<uint8_t>('A' + i % 26);
    const auto start = Clock::now();
    if (::write(master, &byte, 1) != 1) throw std::runtime_error("write");
    while (arrived.load(std::memory_order_acquire) <= i) arrived.wait(i, std::memory_order_acquire);
    samples.push_back(Micros(Clock::time_point(Clock::duration(arrivedAt.load())) - start));
  }
  return samples;
}

std::vector<double> DispatcherLatency() {
  Pty pty;
  TKovaTermiosDispatcher dispatcher;
  if (dispatcher.OpenPort(pty.path, 115200, loDtrOn | loRtsOn, 4096, 4096, 8, 1, 0) != 0)
    throw std::runtime_error("OpenPort");
  std::atomic<int> arrived{0};
  std::atomic<int64_t> arrivedAt{0};
  dispatcher.AddMethodHandler(&arrived, [&](unsigned message, unsigned count, int32_t) {
    if (message != TriggerAvail) return;
    arrivedAt.store(Clock::now().time_since_epoch().count());
    std::vector<uint8_t> bytes(count);
    dispatcher.GetBlock(bytes);
    arrived.fetch_add(static_cast<int>(count), std::memory_order_release);
    arrived.notify_all();
  });
  dispatcher.SetAvailThreshold(1);
  auto samples = MeasureLatency(pty.master, arrived, arrivedAt);
  dispatcher.ClosePort();
  return samples;
}

std::vector<double> PlainLatency() {
  Pty pty;
  const int fd = ::open(pty.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  std::atomic<int> arrived{0};
  std::atomic<int64_t> arrivedAt{0};
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    uint8_t buffer[4096];
    while (!stop.load()) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n <= 0) continue;
      arrivedAt.store(Clock::now().time_since_epoch().count());
      arrived.fetch_add(static_cast<int>(n), std::memory_order_release);
      arrived.notify_all();
    }
  });
  auto samples = MeasureLatency(pty.master, arrived, arrivedAt);
  stop = true;
  reader.join();
  ::close(fd);
  return samples;
}

// The far side of a throughput run: writes `bytes` and reads `bytes`.
struct FarSide {
  FarSide(int master, size_t bytes)
      : writer([=] {
          std::vector<uint8_t> chunk(4096, 'w');
          size_t done = 0;
          while (done < bytes) {
            const ssize_t n = ::write(master, chunk.data(), std::min(chunk.size(), bytes - done));
            if (n > 0) done += static_cast<size_t>(n);
          }
        }),
        reader([=] {
          std::vector<uint8_t> buffer(65536);
          size_t done = 0;
          while (done < bytes) {
            const ssize_t n = ::read(master, buffer.data(), buffer.size());
            if (n > 0) done += static_cast<size_t>(n);
          }
        }) {}
  void join() {
    writer.join();
    reader.join();
  }
  std::thread writer, reader;
};

double DispatcherThroughput() {
  Pty pty;
  TKovaTermiosDispatcher dispatcher;
  // OutSize 32768: a sender of bulk data sizes the output ring for it.
  if (dispatcher.OpenPort(pty.path, 115200, loDtrOn | loRtsOn, 4096, kOutSize, 8, 1, 0) != 0)
    throw std::runtime_error("OpenPort");
  std::atomic<size_t> received{0};
  // The sender sleeps until the trigger, as a program's thread waiting on
  // an event would (std::atomic::wait spins with sched_yield first here,
  // which on two cores takes time from the port's own threads).
  std::mutex roomLock;
  std::condition_variable roomSignal;
  bool roomForMore = false;
  std::vector<uint8_t> sink(InputRing::Size);
  const int freeTrigger = dispatcher.NewStatusTrigger(stOutBuffFree);
  dispatcher.AddMethodHandler(&received, [&](unsigned message, unsigned param, int32_t) {
    if (message == TriggerStatus && static_cast<int>(param) == freeTrigger) {
      {
        std::lock_guard lock(roomLock);
        roomForMore = true;
      }
      roomSignal.notify_all();
    }
    if (message != TriggerAvail) return;
    dispatcher.GetBlock(std::span(sink.data(), param));
    received.fetch_add(param);
  });
  dispatcher.SetAvailThreshold(1);
  const auto start = Clock::now();
  FarSide far(pty.master, kThroughputBytes);
  std::vector<uint8_t> chunk(4096, 's');
  size_t sent = 0;
  while (sent < kThroughputBytes) {
    if (dispatcher.SendBlock(chunk) == 0) {
      sent += chunk.size();
      continue;
    }
    // The output ring is full: wait for the output-free trigger, as a
    // sender on the port would.
    {
      std::lock_guard lock(roomLock);
      roomForMore = false;
    }
    dispatcher.ArmStatusTrigger(freeTrigger, kOutSize / 2, true);
    if (dispatcher.OutputFree() >= kOutSize / 2) continue;
    std::unique_lock lock(roomLock);
    roomSignal.wait(lock, [&] { return roomForMore; });
  }
  far.join();
  while (received.load() < kThroughputBytes) std::this_thread::sleep_for(std::chrono::microseconds(100));
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  dispatcher.ClosePort();
  return 2.0 * kThroughputBytes / seconds / 1e6;
}

double PlainThroughput() {
  Pty pty;
  const int fd = ::open(pty.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  const auto start = Clock::now();
  FarSide far(pty.master, kThroughputBytes);
  std::vector<uint8_t> in(8192), out(4096, 's');
  size_t received = 0, sent = 0;
  while (received < kThroughputBytes || sent < kThroughputBytes) {
    pollfd p{fd, static_cast<short>((received < kThroughputBytes ? POLLIN : 0) | (sent < kThroughputBytes ? POLLOUT : 0)), 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    if (p.revents & POLLIN) {
      const ssize_t n = ::read(fd, in.data(), in.size());
      if (n > 0) received += static_cast<size_t>(n);
    }
    if (p.revents & POLLOUT) {
      const ssize_t n = ::write(fd, out.data(), std::min(out.size(), kThroughputBytes - sent));
      if (n > 0) sent += static_cast<size_t>(n);
    }
  }
  far.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  ::close(fd);
  return 2.0 * kThroughputBytes / seconds / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  // "bench_serial dispatcher N" or "bench_serial plain N": only N throughput
  // runs of one side, for a profiler (perf, strace -c) to look at.
  if (argc == 3) {
    const std::string side = argv[1];
    const int runs = std::max(1, std::atoi(argv[2]));
    if (side != "dispatcher" && side != "plain") {
      std::fprintf(stderr, "usage: bench_serial [dispatcher|plain RUNS]\n");
      return 2;
    }
    for (int run = 0; run < runs; ++run)
      std::printf("%s %8.1f MB/s\n", side.c_str(), side == "plain" ? PlainThroughput() : DispatcherThroughput());
    return 0;
  }
  // Alternate the two sides so both see the same machine load.
  std::vector<double> ours, plain;
  for (int round = 0; round < 3; ++round) {
    auto a = DispatcherLatency();
    auto b = PlainLatency();
    ours.insert(ours.end(), a.begin(), a.end());
    plain.insert(plain.end(), b.begin(), b.end());
  }
  const Stats o = Summarise(ours), p = Summarise(plain);
  std::printf("latency (far-side write -> handler), %zu bytes each:\n", ours.size());
  std::printf("  dispatcher avail trigger  median %8.1f us   p99 %8.1f us\n", o.median, o.p99);
  std::printf("  plain poll() loop         median %8.1f us   p99 %8.1f us\n", p.median, p.p99);
  std::printf("  ratio (dispatcher / plain) median %.2fx   p99 %.2fx   [goal: median <= 2000 us and <= 1.5x]\n",
              o.median / p.median, o.p99 / p.p99);
  std::vector<double> ourRates, plainRates;
  for (int round = 0; round < kThroughputRounds; ++round) {
    ourRates.push_back(DispatcherThroughput());
    plainRates.push_back(PlainThroughput());
  }
  const double ot = Median(ourRates), pt = Median(plainRates);
  std::printf("throughput (both directions at once, %zu MiB each way, median of %d):\n", kThroughputBytes >> 20, kThroughputRounds);
  std::printf("  dispatcher rings          %8.1f MB/s\n", ot);
  std::printf("  plain poll() loop         %8.1f MB/s\n", pt);
  std::printf("  ratio (dispatcher / plain) %.2f   [goal: >= 0.90]\n", ot / pt);
  return 0;
}
