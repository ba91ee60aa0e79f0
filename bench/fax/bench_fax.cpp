// bench_fax: Telvane's Class 1 engine, as telvane-fax runs it on the virtual
// modem, against a reference measured in the same run.
//
//   call time   one fine A4 page at 14400 and at 9600 bit/s in real time,
//               sent and received, from the connection to the far end's end
//               of the call. The reference is spandsp's own fax terminal in
//               place of telvane-fax and its modem, to the same far end over
//               the same line (reference_call.h).
//   turnaround  from the modem's last line (a result, or a frame and its OK)
//               to the program's next command or data, timed at the modem's
//               pty by a relay between the two (trace_relay.h). The waits
//               T.30 asks for before a station raises its carrier are
//               counted apart.
//   fill        the page data written against the page's T.4 codes and the
//               minimum scan-line time the called station declared; also
//               with the DIS changed by the relay to declare 20 and 10 ms.
//
//   bench_fax                  everything (the real-time calls take minutes)
//   bench_fax --no-realtime    turnaround and fill only, from calls at 4x
//   bench_fax --trace          also print each call's dialogue with its times
//   bench_fax --keep           keep the work directory (logs, pages, traces)
//   bench_fax --speed N        the calls of part 1 at N times real time (a
//                              quick look; the goal is for real time)

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/fax/bench_page.h"
#include "bench/fax/call_analysis.h"
#include "bench/fax/reference_call.h"
#include "bench/fax/trace_relay.h"
#include "tests/modem/child_process.h"
#include "tests/modem/fax_pages.h"

namespace telvane::bench {
namespace {

constexpr int kPageRows = 2200;
// The fixture's dialling before a far end answers (line time), with
// --answer-after-rings 0.
constexpr double kDialSeconds = 2.0;
constexpr double kCallLimitSeconds = 240;  // line time
constexpr double kFastSpeed = 4.0;
constexpr const char* kNumber = "5551234";
constexpr const char* kStationId = "+1 555 0123";

struct Options {
  bool realtime = true;
  double speed = 1.0;  // of the part 1 calls
  bool trace = false;
  bool keep = false;
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

// Lines a child writes into a FIFO, each with the time it was read.
class TimedLines {
public:
  struct Line {
    std::string text;
    Clock::time_point at;
  };

  explicit TimedLines(std::string path) : path_(std::move(path)) {
    ::unlink(path_.c_str());
    ::mkfifo(path_.c_str(), 0600);
    fd_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK);
    thread_ = std::thread([this] { run(); });
  }
  ~TimedLines() {
    stop_ = true;
    thread_.join();
    if (fd_ >= 0) ::close(fd_);
    ::unlink(path_.c_str());
  }
  TimedLines(const TimedLines&) = delete;
  TimedLines& operator=(const TimedLines&) = delete;

  std::optional<Line> waitFor(const std::string& prefix, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    std::optional<Line> found;
    arrived_.wait_for(lock, timeout, [&] {
      for (const Line& line : lines_) {
        if (line.text.starts_with(prefix)) {
          found = line;
          return true;
        }
      }
      return false;
    });
    return found;
  }

private:
  void run() {
    std::string partial;
    char buffer[1024];
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n <= 0) {  // no writer (yet, or any more)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        continue;
      }
      const auto at = Clock::now();
      for (ssize_t i = 0; i < n; ++i) {
        if (buffer[i] != '\n') {
          partial.push_back(buffer[i]);
          continue;
        }
        {
          std::lock_guard lock(mutex_);
          lines_.push_back({partial, at});
        }
        arrived_.notify_all();
        partial.clear();
      }
    }
  }

  std::string path_;
  int fd_ = -1;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Line> lines_;  // guarded by mutex_
  std::thread thread_;
};

struct Work {
  std::string dir;
  std::string faxFile;  // the page for telvane-fax
  std::string tiffFile;  // the page for spandsp
  BenchPage page;
  int calls = 0;
};

struct CallSetup {
  bool telvaneSends = true;
  int rate = 14400;
  double speed = 1.0;
  std::optional<int> disScanMs;  // the relay makes the DIS declare this
};

struct EngineFill {
  bool found = false;
  long coded = 0, written = 0, fill = 0;
};

struct TelvaneCall {
  CallSetup setup;
  bool ok = false;
  std::string problem;
  double callSeconds = 0;  // connection to the far end's end of call, line time
  double toolSeconds = 0;  // telvane-fax start to exit
  std::vector<TraceEvent> trace;
  EngineFill engine;
};

std::string CallName(const CallSetup& s) {
  std::string name = std::string(s.telvaneSends ? "send" : "receive") + " " + std::to_string(s.rate);
  if (s.disScanMs) name += ", DIS " + std::to_string(*s.disScanMs) + " ms";
  return name;
}

EngineFill ParseEngineFill(const std::string& log) {
  // The engine's note at the end of a page, which --verbose prints.
  static const std::regex note(R"(page 1: (\d+) bytes coded, (\d+) written, fill (\d+))");
  EngineFill fill;
  std::smatch m;
  if (std::regex_search(log, m, note)) {
    fill.found = true;
    fill.coded = std::stol(m[1]);
    fill.written = std::stol(m[2]);
    fill.fill = std::stol(m[3]);
  }
  return fill;
}

// What the far end received against the page: its rows below the blank
// lines the engine puts at the head of a page. Empty when they agree.
std::string CheckReceivedPage(const BenchPage& page, const std::string& tiff) {
  const std::vector<test::PageRows> pages = test::readFaxPages(tiff);
  if (pages.size() != 1) return "the far end's file holds " + std::to_string(pages.size()) + " pages";
  const test::PageRows& got = pages[0];
  if (got.size() < static_cast<size_t>(page.rows)) return "the far end received " + std::to_string(got.size()) + " rows";
  test::PageRows expected;
  const size_t rowBytes = BenchPage::kWidth / 8;
  for (int y = 0; y < page.rows; ++y) {
    const auto row = page.raster.begin() + static_cast<std::ptrdiff_t>(y * rowBytes);
    expected.emplace_back(row, row + static_cast<std::ptrdiff_t>(rowBytes));
  }
  const int differing = test::differingRows(got, expected, got.size() - expected.size());
  return differing == 0 ? std::string() : std::to_string(differing) + " rows differ at the far end";
}

TelvaneCall RunTelvaneCall(Work& work, const CallSetup& s) {
  TelvaneCall call;
  call.setup = s;
  const std::string tag = work.dir + "/call" + std::to_string(++work.calls);
  const std::string modemLink = work.dir + "/modem", relayLink = work.dir + "/relay";
  TimedLines modemOut(tag + "-modem.fifo");
  std::vector<std::string> modemArgs = {TELVANE_VIRTUAL_MODEM, "--port", modemLink, "--calls", "1",
                                        "--speed", Number(s.speed), "--remote-max-rate", std::to_string(s.rate),
                                        "--answer-after-rings", "0", "--receive-file", tag + "-far-received.tif"};
  if (!s.telvaneSends) {
    for (const char* a : {"--far-end", "sender", "--send-file"}) modemArgs.emplace_back(a);
    modemArgs.push_back(work.tiffFile);
  }
  test::ChildProcess modem(modemArgs, tag + "-modem.fifo", tag + "-modem.err");
  if (!modemOut.waitFor("READY", std::chrono::seconds(10))) {
    call.problem = "the virtual modem did not start (" + tag + "-modem.err)";
    return call;
  }
  TraceRelay relay;
  std::string error;
  if (relay.start(relayLink, modemLink, s.disScanMs, error) != 0) {
    call.problem = error;
    return call;
  }
  std::vector<std::string> toolArgs = {TELVANE_FAX_TOOL, s.telvaneSends ? "send" : "receive", "--device", relayLink,
                                       "--class", "1", "--rate", std::to_string(s.rate), "--station-id", kStationId,
                                       "--verbose"};
  if (s.speed != 1.0) {
    toolArgs.emplace_back("--clock-speed");
    toolArgs.push_back(Number(s.speed));
  }
  if (s.telvaneSends) {
    // No header line: the reference's page has none either.
    for (const char* a : {"--header", "", "--dial-attempts", "1", kNumber}) toolArgs.emplace_back(a);
    toolArgs.push_back(work.faxFile);
  } else {
    const std::string dir = tag + "-received";
    std::filesystem::create_directories(dir);
    for (const char* a : {"--rings", "1", "--calls", "1", "--dir"}) toolArgs.emplace_back(a);
    toolArgs.push_back(dir);
  }
  const auto toolStart = Clock::now();
  test::ChildProcess tool(toolArgs, tag + "-tool.out", tag + "-tool.err");
  const auto limit = std::chrono::milliseconds(static_cast<long>(kCallLimitSeconds * 1000 / s.speed) + 30000);
  const std::optional<int> exit = tool.waitFor(limit);
  const auto toolEnd = Clock::now();
  const auto callLine = modemOut.waitFor("CALL ", std::chrono::seconds(5));
  modem.waitFor(std::chrono::seconds(10));
  call.trace = relay.stop();
  call.engine = ParseEngineFill(ReadText(tag + "-tool.err"));
  call.toolSeconds = Seconds(toolEnd - toolStart);

  std::optional<Clock::time_point> connected;
  for (const TraceEvent& e : call.trace) {
    if (e.kind != TraceEvent::Kind::HostCommand) continue;
    // Dialled, the far end answers after the fixture's dialling time; an
    // incoming call is connected by the answer.
    if (s.telvaneSends && e.text.starts_with("ATD")) {
      connected = e.at + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kDialSeconds / s.speed));
      break;
    }
    if (!s.telvaneSends && e.text.starts_with("ATA")) {
      connected = e.at;
      break;
    }
  }
  if (!exit) call.problem = "telvane-fax did not finish (" + tag + "-tool.err)";
  else if (*exit != 0) call.problem = "telvane-fax exited with " + std::to_string(*exit) + " (" + tag + "-tool.err)";
  else if (!callLine) call.problem = "the virtual modem reported no call";
  else if (callLine->text.find("result=OK") == std::string::npos || callLine->text.find(" pages=1 ") == std::string::npos)
    call.problem = "the far end says: " + callLine->text;
  else if (!connected) call.problem = "no dial or answer in the trace";
  else if (s.telvaneSends) call.problem = CheckReceivedPage(work.page, tag + "-far-received.tif");
  call.ok = call.problem.empty();
  if (call.ok) call.callSeconds = Seconds(callLine->at - *connected) * s.speed;
  return call;
}

void PrintTrace(const TelvaneCall& call) {
  if (call.trace.empty()) return;
  std::printf("  trace of %s (ms from the first event):\n", CallName(call.setup).c_str());
  const auto t0 = call.trace.front().at;
  for (const TraceEvent& e : call.trace) {
    const double ms = std::chrono::duration<double, std::milli>(e.at - t0).count();
    std::string what;
    switch (e.kind) {
      case TraceEvent::Kind::ModemLine: what = "<- " + e.text; break;
      case TraceEvent::Kind::ModemFrame: what = "<- frame " + (e.bytes.size() > 2 ? FrameName(e.bytes[2]) : ""); break;
      case TraceEvent::Kind::ModemData: what = "<- data, " + std::to_string(e.bytes.size()) + " bytes"; break;
      case TraceEvent::Kind::HostCommand: what = "-> " + e.text; break;
      case TraceEvent::Kind::HostDataStart: what = "-> data begins"; break;
      case TraceEvent::Kind::HostFrame: what = "-> frame " + (e.bytes.size() > 2 ? FrameName(e.bytes[2]) : ""); break;
      case TraceEvent::Kind::HostData: what = "-> data ends, " + std::to_string(e.bytes.size()) + " bytes"; break;
      case TraceEvent::Kind::HostByte: what = "-> byte " + std::to_string(e.bytes.empty() ? 0 : e.bytes[0]); break;
    }
    std::printf("    %10.1f  %s\n", ms, what.c_str());
  }
}

// ---- report

// Seconds at the call's rate that the page data takes beyond what the
// called station's scan time needs (part 3), or nothing.
std::optional<double> SecondsBeyondRequired(const TelvaneCall& c, const BenchPage& page) {
  const std::optional<int> ms = DeclaredFineScanMs(c.trace);
  const SentPage sent = FindSentPage(c.trace);
  if (!ms || !sent.found) return std::nullopt;
  const uint64_t scanBits = static_cast<uint64_t>(*ms) * static_cast<uint64_t>(c.setup.rate) / 1000;
  const PageFill f = MeasurePageFill(sent.data, page.codeBits, page.blankCodeBits, scanBits);
  if (!f.linesMatch) return std::nullopt;
  return (static_cast<double>(f.writtenBits) - static_cast<double>(f.requiredBits)) / c.setup.rate;
}

void ReportCallTimes(const std::vector<std::pair<TelvaneCall, ReferenceResult>>& runs, const BenchPage& page,
                     double speed) {
  std::printf("\n1. Call time at %gx real time, from the connection to the far end's end of the call"
              " (s of line time)\n", speed);
  std::printf("   reference: spandsp %s fax terminal (T.30 and its own modems) in place of telvane-fax and\n",
              TELVANE_SPANDSP_VERSION);
  std::printf("   its Class 1 modem, with Telvane's offer (T.4 1-D, no ECM), calling or called by the\n");
  std::printf("   fixture's own far end over the fixture's line (60 ms each way, 20 ms blocks, same pacing)\n");
  std::printf("   %-16s %9s %10s %8s   %s\n", "call", "telvane", "reference", "ratio", "telvane-fax start to exit");
  double worst = 0;
  for (const auto& [t, r] : runs) {
    if (!t.ok || !r.ok) {
      std::printf("   %-16s failed: %s\n", CallName(t.setup).c_str(),
                  !t.ok ? t.problem.c_str() : ("reference: " + r.message).c_str());
      continue;
    }
    const double ratio = t.callSeconds / r.seconds;
    worst = std::max(worst, ratio);
    std::printf("   %-16s %9.2f %10.2f %7.3fx   %.2f s\n", CallName(t.setup).c_str(), t.callSeconds, r.seconds, ratio,
                t.toolSeconds * speed);
    if (const auto beyond = t.setup.telvaneSends ? SecondsBeyondRequired(t, page) : std::nullopt)
      std::printf("   %-16s of the %.2f s more, %.2f s is page data beyond the T.4 minimum (see 3)\n", "",
                  t.callSeconds - r.seconds, *beyond);
  }
  std::printf("   highest ratio %.3fx   [goal: <= 1.10] %s\n", worst, worst <= 1.10 ? "met" : "MISSED");
  std::printf("   page data (telvane, sending), at the modem's pty:\n");
  for (const auto& [t, r] : runs) {
    if (!t.ok || !t.setup.telvaneSends) continue;
    const SentPage sent = FindSentPage(t.trace);
    if (!sent.found) continue;
    const double seconds = Seconds(sent.end - sent.start) * speed;
    std::printf("     %-14s %6zu bytes in %.2f s from the first byte to the modem's OK: %.0f bit/s\n",
                CallName(t.setup).c_str(), sent.data.size(), seconds, sent.data.size() * 8 / seconds);
  }
}

// `speed`: the line's and the engine's clock against the wall clock; the
// T.30 gaps are timed by that clock, the turnarounds by the machine.
void ReportTurnarounds(const std::string& title, const std::vector<TelvaneCall>& calls, double speed, bool details) {
  std::vector<Turnaround> all;
  int used = 0;
  for (const TelvaneCall& c : calls) {
    if (!c.ok) continue;
    ++used;
    const auto t = CallTurnarounds(c.trace);
    all.insert(all.end(), t.begin(), t.end());
  }
  if (used == 0) return;
  std::vector<double> quick, gaps;
  for (const Turnaround& t : all) {
    if (t.deliberate) gaps.push_back(t.ms * speed);
    else quick.push_back(t.ms);
  }
  const Spread q = SpreadOf(quick), g = SpreadOf(gaps);
  std::printf("   %s, %d calls:\n", title.c_str(), used);
  std::printf("     turnarounds    n=%-4zu median %6.2f ms   p99 %6.2f ms   max %6.2f ms   "
              "[goal: median <= 20, p99 <= 55] %s\n",
              q.count, q.median, q.p99, q.max, q.median <= 20 && q.p99 <= 55 ? "met" : "MISSED");
  // Faster than real time, a scheduling delay of the machine counts that
  // many times over in line time: only real time is judged.
  const char* verdict = speed != 1 ? "(not judged faster than real time)"
                        : g.count == 0 || (g.min >= 55 && g.max <= 95) ? "within"
                                                                        : "OUTSIDE";
  std::printf("     T.30 gaps      n=%-4zu median %6.1f ms   min %6.1f ms   max %6.1f ms   (line time)"
              " [T.30: 75 +- 20] %s\n",
              g.count, g.median, g.min, g.max, verdict);
  if (!details) return;
  std::map<std::pair<std::string, std::string>, std::vector<double>> steps;
  for (const Turnaround& t : all)
    steps[{t.after, t.next + (t.deliberate ? " (gap)" : "")}].push_back(t.deliberate ? t.ms * speed : t.ms);
  std::printf("     %-34s %-24s %4s %9s %9s\n", "after the modem's", "the program's next", "n", "median", "max");
  for (const auto& [key, values] : steps) {
    const Spread s = SpreadOf(values);
    std::printf("     %-34s %-24s %4zu %9.2f %9.2f\n", key.first.c_str(), key.second.c_str(), s.count, s.median, s.max);
  }
}

void ReportFill(const std::vector<TelvaneCall>& calls, const BenchPage& page) {
  std::printf("\n3. Page data written against the page's T.4 codes (bytes; a line is its codes, fill and EOL)\n");
  std::printf("   the page: %d rows, %llu bytes of line records in the fax image file\n", page.rows,
              static_cast<unsigned long long>(page.storedBytes));
  bool allMet = true;
  for (const TelvaneCall& c : calls) {
    if (!c.setup.telvaneSends) continue;
    if (!c.ok) {
      std::printf("   %-22s failed: %s\n", CallName(c.setup).c_str(), c.problem.c_str());
      allMet = false;
      continue;
    }
    const std::optional<int> ms = DeclaredFineScanMs(c.trace);
    const SentPage sent = FindSentPage(c.trace);
    if (!ms || !sent.found) {
      std::printf("   %-22s no DIS or no page in the trace\n", CallName(c.setup).c_str());
      allMet = false;
      continue;
    }
    const uint64_t scanBits = static_cast<uint64_t>(*ms) * static_cast<uint64_t>(c.setup.rate) / 1000;
    const PageFill f = MeasurePageFill(sent.data, page.codeBits, page.blankCodeBits, scanBits);
    const uint64_t minimumBytes = (f.minimumBits + 7) / 8, requiredBytes = (f.requiredBits + 7) / 8;
    const uint64_t written = sent.data.size();
    // What the engine added must not exceed what the scan time needs over
    // the lines as stored; every line must still take the scan time.
    const uint64_t needed = requiredBytes > minimumBytes ? requiredBytes - minimumBytes : 0;
    const bool met = c.engine.found && f.linesMatch && f.shortLines == 0 &&
                     static_cast<uint64_t>(c.engine.fill) <= needed;
    allMet = allMet && met;
    std::printf("   %-22s DIS asks %d ms a line (%llu bits at %d)\n", CallName(c.setup).c_str(), *ms,
                static_cast<unsigned long long>(scanBits), c.setup.rate);
    if (c.engine.found)
      std::printf("     engine's note: %ld bytes coded (record lengths included), %ld written (DLE doubled), fill %ld\n",
                  c.engine.coded, c.engine.written, c.engine.fill);
    else
      std::printf("     engine's note: none in telvane-fax --verbose\n");
    std::printf("     on the wire:   %llu bytes, %zu lines%s, then %zu EOLs;"
                " lines shorter than the scan time: %zu\n",
                static_cast<unsigned long long>(written), f.wireLines,
                f.linesMatch ? " (blank head lines and the page's rows)" : " (NOT the page's lines)", f.rtcEols,
                f.shortLines);
    std::printf("     T.4 minimum:   %llu bytes of EOLs and codes alone; %llu with each line at the scan time\n",
                static_cast<unsigned long long>(minimumBytes), static_cast<unsigned long long>(requiredBytes));
    const long long beyond = static_cast<long long>(written) - static_cast<long long>(requiredBytes);
    std::printf("     beyond that:   %lld bytes (%.2f s at %d bit/s): %ld added by the engine, the rest is fill\n"
                "                    inside the stored line records (filled EOLs, a zero byte after each line)\n",
                beyond, beyond * 8.0 / c.setup.rate, c.setup.rate, c.engine.fill);
    std::printf("     [goal: engine fill <= %llu, what the scan time needs; no line short] %s\n",
                static_cast<unsigned long long>(needed), met ? "met" : "MISSED");
  }
  std::printf("   fill %s\n", allMet ? "goal met in every call" : "goal MISSED in a call");
}

int Main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--no-realtime") o.realtime = false;
    else if (a == "--trace") o.trace = true;
    else if (a == "--keep") o.keep = true;
    else if (a == "--speed" && i + 1 < argc && std::atof(argv[i + 1]) >= 1 && std::atof(argv[i + 1]) <= 16)
      o.speed = std::atof(argv[++i]);
    else {
      std::fprintf(stderr, "usage: bench_fax [--no-realtime] [--trace] [--keep] [--speed 1..16]\n");
      return 2;
    }
  }
  Work work;
  std::string dir = (std::filesystem::temp_directory_path() / "telvane-bench-fax-XXXXXX").string();
  if (!::mkdtemp(dir.data())) {
    std::perror("bench_fax: mkdtemp");
    return 1;
  }
  work.dir = dir;
  work.page = MakeBenchPage(kPageRows);
  work.faxFile = dir + "/page.apf";
  work.tiffFile = dir + "/page.tif";
  std::string error;
  if (WriteFaxImageFile(work.page, work.faxFile, error) != 0 || WriteTiffFile(work.page, work.tiffFile, error) != 0) {
    std::fprintf(stderr, "bench_fax: %s\n", error.c_str());
    return 1;
  }
  std::printf("Class 1 fax calls: telvane-fax on telvane-virtual-modem, through a tracing pty relay\n");
  std::printf("one fine A4 page, %d x %d text-like rows; work directory %s\n", BenchPage::kWidth, kPageRows,
              dir.c_str());
  std::fflush(stdout);

  bool failed = false;
  std::vector<std::pair<TelvaneCall, ReferenceResult>> realtime;
  std::vector<TelvaneCall> fast;
  auto note = [&](const TelvaneCall& c) {
    std::printf("  %-30s %s", (CallName(c.setup) + " at " + Number(c.setup.speed) + "x").c_str(),
                c.ok ? "ok" : ("FAILED: " + c.problem).c_str());
    if (c.ok) std::printf(", %.2f s", c.callSeconds);
    std::printf("\n");
    std::fflush(stdout);
    failed = failed || !c.ok;
    if (o.trace) PrintTrace(c);
  };
  if (o.realtime) {
    std::printf("calls at %gx real time (minutes):\n", o.speed);
    for (int rate : {14400, 9600}) {
      for (bool sends : {true, false}) {
        TelvaneCall t = RunTelvaneCall(work, {sends, rate, o.speed, std::nullopt});
        note(t);
        ReferenceSetup rs;
        rs.hostSends = sends;
        rs.pageTiff = work.tiffFile;
        rs.workDir = work.dir;
        rs.rate = rate;
        rs.speed = o.speed;
        const ReferenceResult r = RunReferenceCall(rs);
        std::printf("  %-30s %s, %.2f s\n", ("reference " + std::string(sends ? "send " : "receive ") +
                                              std::to_string(rate) + " at " + Number(o.speed) + "x").c_str(),
                    r.ok ? "ok" : ("FAILED: " + r.message).c_str(), r.seconds);
        failed = failed || !r.ok;
        realtime.emplace_back(std::move(t), r);
      }
    }
  }
  std::printf("calls at %gx line speed (telvane-fax --clock-speed %g):\n", kFastSpeed, kFastSpeed);
  std::vector<CallSetup> fastSetups = {{true, 14400, kFastSpeed, 20}, {true, 9600, kFastSpeed, 10}};
  if (!o.realtime) {
    fastSetups.insert(fastSetups.begin(), {{true, 14400, kFastSpeed, std::nullopt},
                                           {false, 14400, kFastSpeed, std::nullopt}});
  }
  for (const CallSetup& s : fastSetups) {
    fast.push_back(RunTelvaneCall(work, s));
    note(fast.back());
  }

  if (o.realtime) ReportCallTimes(realtime, work.page, o.speed);
  std::printf("\n2. Host turnaround at the modem's pty: the modem's last line -> the program's next write\n");
  std::vector<TelvaneCall> realtimeCalls;
  for (const auto& run : realtime) realtimeCalls.push_back(run.first);
  if (o.realtime)
    ReportTurnarounds(o.speed == 1 ? "real time" : Number(o.speed) + "x real time", realtimeCalls, o.speed, true);
  ReportTurnarounds(Number(kFastSpeed) + "x line speed (the engine's clock as fast)", fast, kFastSpeed, !o.realtime);
  int badFcs = 0;
  for (const TelvaneCall& c : realtimeCalls) badFcs += FramesWithBadFcs(c.trace);
  for (const TelvaneCall& c : fast) badFcs += FramesWithBadFcs(c.trace);
  if (badFcs > 0) std::printf("   warning: %d received frames whose FCS does not check: the trace is cut wrongly\n", badFcs);

  std::vector<TelvaneCall> sends = realtimeCalls;
  sends.insert(sends.end(), fast.begin(), fast.end());
  ReportFill(sends, work.page);

  if (o.keep) std::printf("\nwork directory kept: %s\n", work.dir.c_str());
  else std::filesystem::remove_all(work.dir);
  return failed ? 1 : 0;
}

}  // namespace
}  // namespace telvane::bench

int main(int argc, char** argv) { return telvane::bench::Main(argc, argv); }
