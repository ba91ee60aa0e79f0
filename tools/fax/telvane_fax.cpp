// telvane-fax: sending and receiving faxes from the command line, for
// scripts and for end-to-end tests.
//
//   telvane-fax send --device PATH|--port N [options] NUMBER FILE.apf [FILE.apf...]
//     (--class 1|2|2.0|auto: auto takes the highest class the modem offers)
//   telvane-fax receive --device PATH|--port N --dir DIR [--rings N] [--calls N] [--station-id ID]
//   telvane-fax classes --device PATH|--port N
//
// Progress goes to standard error as the status texts of the engine;
// --verbose adds the modem dialogue. The exit code is 0 only when every
// page was confirmed (send) or every call brought at least one complete
// page (receive).

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "fax/modem_trace.h"
#include "fax/receive_fax.h"
#include "fax/send_fax.h"
#include "faximage/apf_reader.h"
#include "platform/clock.h"
#include "platform/ui_queue.h"
#include "serial/com_port.h"
#include "serial/kova_exceptions.h"
#include "serial/message_table.h"

namespace telvane {
namespace {

constexpr const char* kUsage =
    "usage: telvane-fax send --device PATH|--port N [--class 1|2|2.0|auto] [--rate BPS] [--station-id ID]\n"
    "                        [--header TEXT] [--init STRING] [--dial-attempts N] [--retry-wait SEC]\n"
    "                        NUMBER FILE.apf [FILE.apf...]\n"
    "       telvane-fax receive --device PATH|--port N --dir DIR [--class 1|2|2.0|auto] [--rings N] [--calls N]\n"
    "                           [--station-id ID]\n"
    "       telvane-fax classes --device PATH|--port N\n"
    "common options: --verbose (the modem dialogue), --clock-speed N (for a line N times faster)\n";

constexpr const char* kDefaultHeader = "$D $T  $I  Page $P of $N";

struct Options {
  std::string command;
  std::string device;
  int port = 0;
  std::string faxClass = "auto";
  int rate = 14400;
  std::string stationId;
  bool headerGiven = false;
  std::string header = kDefaultHeader;
  std::string init;
  int dialAttempts = 3;
  int retryWait = 60;
  std::string dir;
  int rings = 1;
  int calls = 0;
  bool verbose = false;
  double clockSpeed = 1.0;
  std::vector<std::string> positional;
};

std::atomic<bool> interrupted{false};

void OnSignal(int) { interrupted = true; }

bool ParseInt(const std::string& text, int& out) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < 0 || v > 1000000) return false;
  out = static_cast<int>(v);
  return true;
}

// Parses the arguments; an empty string or a message to print.
std::string ParseOptions(int argc, char** argv, Options& o) {
  if (argc < 2) return kUsage;
  o.command = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string& out) -> bool {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--verbose") {
      o.verbose = true;
    } else if (a == "--device" || a == "--class" || a == "--station-id" || a == "--init" || a == "--dir") {
      if (!value(v)) return "telvane-fax: " + a + " needs a value\n";
      if (a == "--device") o.device = v;
      else if (a == "--class") o.faxClass = v;
      else if (a == "--station-id") o.stationId = v;
      else if (a == "--init") o.init = v;
      else o.dir = v;
    } else if (a == "--header") {
      if (!value(v)) return "telvane-fax: --header needs a value\n";
      o.header = v;
      o.headerGiven = true;
    } else if (a == "--port" || a == "--rate" || a == "--dial-attempts" || a == "--retry-wait" ||
               a == "--rings" || a == "--calls") {
      int n = 0;
      if (!value(v) || !ParseInt(v, n)) return "telvane-fax: " + a + " needs a number\n";
      if (a == "--port") o.port = n;
      else if (a == "--rate") o.rate = n;
      else if (a == "--dial-attempts") o.dialAttempts = n;
      else if (a == "--retry-wait") o.retryWait = n;
      else if (a == "--rings") o.rings = n;
      else o.calls = n;
    } else if (a == "--clock-speed") {
      if (!value(v)) return "telvane-fax: --clock-speed needs a number\n";
      o.clockSpeed = std::atof(v.c_str());
      if (o.clockSpeed < 0.1 || o.clockSpeed > 64) return "telvane-fax: --clock-speed must be 0.1 to 64\n";
    } else if (a.starts_with("--")) {
      return "telvane-fax: unknown option " + a + "\n" + kUsage;
    } else {
      o.positional.push_back(a);
    }
  }
  if (o.command != "send" && o.command != "receive" && o.command != "classes") return kUsage;
  if (o.device.empty() == (o.port == 0)) return "telvane-fax: give either --device PATH or --port N\n";
  if (o.faxClass != "1" && o.faxClass != "2" && o.faxClass != "2.0" && o.faxClass != "auto")
    return "telvane-fax: --class must be 1, 2, 2.0 or auto\n";
  if (o.command == "send" && o.positional.size() < 2) return "telvane-fax: send needs a NUMBER and a FILE\n";
  if (o.command == "receive" && o.dir.empty()) return "telvane-fax: receive needs --dir DIR\n";
  if (o.command != "send" && !o.positional.empty()) return "telvane-fax: unexpected " + o.positional[0] + "\n";
  return {};
}

// The main thread is the UI thread: it runs the engine's messages until
// told to stop.
class MessageLoop {
public:
  MessageLoop() {
    UiQueue().setUiThread(std::this_thread::get_id());
    UiQueue().setWakeup([this] {
      std::lock_guard lock(mutex_);
      woken_ = true;
      wake_.notify_one();
    });
  }
  ~MessageLoop() { UiQueue().setWakeup(nullptr); }
  // Runs messages until `done` says so; `onInterrupt` once on Ctrl-C.
  template <class Done, class Interrupt>
  void run(Done done, Interrupt onInterrupt) {
    bool interruptSeen = false;
    while (!done()) {
      UiQueue().drain();
      if (interrupted && !interruptSeen) {
        interruptSeen = true;
        onInterrupt();
      }
      std::unique_lock lock(mutex_);
      wake_.wait_for(lock, std::chrono::milliseconds(50), [this] { return woken_; });
      woken_ = false;
    }
    UiQueue().drain();
  }

private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool woken_ = false;
};

// Progress lines: a line whenever the status, the remote station, the rate
// or the page changes, and the bytes of a page as they go.
class ProgressPrinter {
public:
  void update(const FaxStatusInfo& info) {
    const std::string text(FaxStatusText(info.status));
    if (info.status != status_ && !text.empty()) {
      std::string line = text;
      if (info.status == 4803) line += " (attempt " + std::to_string(info.dialAttempt) + ")";
      print(line);
    }
    if (info.remoteId != remote_ && !info.remoteId.empty()) print("Remote ID: " + info.remoteId);
    if (info.bps != bps_ && info.bps > 0) {
      print("Connect BPS: " + std::to_string(info.bps) + (info.fine ? ", fine" : ", standard") +
            (info.wide ? ", 2048" : ", 1728"));
    }
    if ((info.status == 4804 || info.status == 4824) &&
        (info.currentPage != page_ || info.bytesTransferred != bytes_)) {
      std::string line = "Page " + std::to_string(info.currentPage) + ": " +
                         std::to_string(info.bytesTransferred) + " bytes";
      if (info.pageLength > 0) line += " of " + std::to_string(info.pageLength);
      print(line);
      page_ = info.currentPage;
      bytes_ = info.bytesTransferred;
    }
    status_ = info.status;
    remote_ = info.remoteId;
    bps_ = info.bps;
  }
  static void print(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

private:
  int status_ = 0;
  std::string remote_;
  int bps_ = 0;
  int page_ = -1;
  long bytes_ = -1;
};

void ReportError(int code) {
  std::fprintf(stderr, "telvane-fax: error %d: %s\n", code, ErrorText(code).c_str());
}

void SetUpPort(TKovaComPort& port, const Options& o) {
  port.SetPromptForPort(false);
  if (!o.device.empty()) port.SetDevicePath(o.device);
  else port.SetComNumber(static_cast<uint16_t>(o.port));
}

void SetUpCommon(TKovaCustomAbstractFax& fax, TKovaComPort& port, const Options& o, ProgressPrinter& progress) {
  fax.SetComPort(&port);
  fax.SetFaxClass(o.faxClass == "1"     ? fcClass1
                  : o.faxClass == "2"   ? fcClass2
                  : o.faxClass == "2.0" ? fcClass2_0
                                        : fcDetect);
  fax.SetDesiredBPS(static_cast<uint16_t>(o.rate));
  fax.SetStationID(o.stationId);
  fax.SetModemInit(o.init);
  fax.OnFaxStatus = [&progress](TKovaCustomAbstractFax& sender, bool, bool) { progress.update(sender.StatusInfo()); };
  fax.OnFaxError = [](TKovaCustomAbstractFax&, int code) { ReportError(code); };
}

// Every file to send must be a readable fax image file: said here, by
// name, before the modem is touched.
int CheckFaxFiles(const std::vector<std::string>& files) {
  for (const std::string& file : files) {
    ApfFileHeader header;
    int rc = ReadApfHeader(file, header);
    if (rc == 0 && !header.signatureOk()) rc = ecFaxBadFormat;
    if (rc < 0) {
      std::fprintf(stderr, "telvane-fax: %s: error %d: %s\n", file.c_str(), rc, ErrorText(rc).c_str());
      return rc;
    }
  }
  return 0;
}

int RunSend(const Options& o, TKovaComPort& port, MessageLoop& loop) {
  if (int rc = CheckFaxFiles({o.positional.begin() + 1, o.positional.end()}); rc < 0) return rc;
  TKovaSendFax fax;
  ProgressPrinter progress;
  SetUpCommon(fax, port, o, progress);
  fax.SetPhoneNumber(o.positional[0]);
  fax.SetFaxFileList({o.positional.begin() + 1, o.positional.end()});
  fax.SetHeaderLine(o.header);
  fax.SetDialAttempts(o.dialAttempts);
  fax.SetDialRetryWait(o.retryWait);
  fax.SetExitOnError(true);
  bool finished = false;
  int result = 0;
  fax.OnFaxFinish = [&](TKovaCustomAbstractFax&, int code) {
    finished = true;
    result = code;
  };
  fax.BeginSend();
  loop.run([&] { return finished; }, [&] { fax.AbortFax(); });
  if (result == 0) {
    const FaxStatusInfo info = fax.StatusInfo();
    ProgressPrinter::print("Sent " + std::to_string(info.totalPages) + " page(s) to " +
                           (info.remoteId.empty() ? o.positional[0] : info.remoteId));
  }
  return result;
}

int RunReceive(const Options& o, TKovaComPort& port, MessageLoop& loop) {
  TKovaReceiveFax fax;
  ProgressPrinter progress;
  SetUpCommon(fax, port, o, progress);
  fax.SetDestinationDir(o.dir);
  fax.SetAnswerOnRing(std::max(1, o.rings));
  fax.SetOneFax(true);
  fax.SetExitOnError(true);
  int worst = 0;
  int callsDone = 0;
  bool finished = false;
  int result = 0;
  int callPages = 0;  // every document of the call (EOM makes several files)
  bool inCall = false;  // the modem answered: a cancel now breaks a call off
  fax.OnFaxLog = [&](TKovaCustomAbstractFax& sender, int code) {
    if (code != lfaxReceiveOk && code != lfaxReceiveFail) return;
    const int pages = sender.StatusInfo().totalPages;
    callPages += pages;
    if (code == lfaxReceiveOk || pages > 0)
      ProgressPrinter::print("Received " + sender.GetFaxFile() + " (" + std::to_string(pages) + " page(s)" +
                             (code == lfaxReceiveOk ? ")" : ", the call failed after them)"));
  };
  fax.OnFaxFinish = [&](TKovaCustomAbstractFax&, int code) {
    finished = true;
    result = code;
  };
  fax.OnFaxStatus = [&](TKovaCustomAbstractFax& sender, bool, bool) {
    const FaxStatusInfo info = sender.StatusInfo();
    if (info.status == fpAnswer) inCall = true;
    progress.update(info);
  };
  while (!interrupted && (o.calls == 0 || callsDone < o.calls)) {
    finished = false;
    callPages = 0;
    inCall = false;
    fax.BeginReceive();
    loop.run([&] { return finished; }, [&] { fax.AbortFax(); });
    if (interrupted && result == ecCancelRequested && !inCall) break;  // stopped while waiting
    ++callsDone;
    int callResult = result;
    if (callResult == 0 && callPages < 1) callResult = ecFaxSessionError;
    if (callResult != 0 && worst == 0) worst = callResult;
    ProgressPrinter::print("Call " + std::to_string(callsDone) + ": " + std::to_string(callPages) + " page(s)" +
                           (callResult == 0 ? "" : ", failed"));
    if (result == ecFaxInitError || result == ecFaxBadModemResult) break;  // the modem is not usable
  }
  return worst;
}

int RunClasses(TKovaComPort& port) {
  TKovaSendFax fax;
  fax.SetComPort(&port);
  const int bits = fax.ModemFaxClasses();
  if (bits == 0) {
    ReportError(ecFaxBadModemResult);
    return ecFaxBadModemResult;
  }
  std::string out;
  if (bits & kFaxClassBit1) out += "1 ";
  if (bits & kFaxClassBit2) out += "2 ";
  if (bits & kFaxClassBit2_0) out += "2.0 ";
  out.pop_back();
  std::printf("%s\n", out.c_str());
  return 0;
}

int Main(int argc, char** argv) {
  Options o;
  if (std::string message = ParseOptions(argc, argv, o); !message.empty()) {
    std::fputs(message.c_str(), stderr);
    return 2;
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::unique_ptr<ScaledClock> clock;
  if (o.clockSpeed != 1.0) {
    clock = std::make_unique<ScaledClock>(o.clockSpeed);
    SetClock(clock.get());
  }
  if (o.verbose) SetModemTrace([](std::string_view line) { std::fprintf(stderr, "  %.*s\n", int(line.size()), line.data()); });

  MessageLoop loop;
  int code = 0;
  try {
    TKovaComPort port;
    SetUpPort(port, o);
    if (o.command == "send") code = RunSend(o, port, loop);
    else if (o.command == "receive") code = RunReceive(o, port, loop);
    else code = RunClasses(port);
    port.SetOpen(false);
  } catch (const EKovaException& e) {
    std::fprintf(stderr, "telvane-fax: error %d: %s\n", e.ErrorCode, e.what());
    code = e.ErrorCode;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "telvane-fax: %s\n", e.what());
    code = -1;
  }
  SetModemTrace(nullptr);
  SetClock(nullptr);
  return code == 0 ? 0 : 1;
}

}  // namespace
}  // namespace telvane

int main(int argc, char** argv) { return telvane::Main(argc, argv); }
