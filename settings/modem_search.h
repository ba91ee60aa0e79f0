#pragma once
// Finding the modem: every candidate port is probed on its own worker
// thread (so a silent port costs its few seconds once, not once per port),
// each result is reported as it comes, and the first modem in the order of
// the candidates is the one suggested.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "settings/modem_answer.h"
#include "settings/serial_devices.h"

namespace telvane {

enum class PortOutcome {
  Pending,       // not probed yet
  Modem,         // answered OK
  NoAnswer,      // opened; silent, ERROR, an echo, garbage or it went away
  Busy,          // another program holds it
  NoPermission,  // the user may not open it
  Missing,       // no such device (or no hardware behind its node)
  Failed,        // could not be opened for another reason
};

struct PortProbeResult {
  PortOutcome outcome = PortOutcome::Pending;
  ModemAnswer answer = ModemAnswer::Silent;  // when it opened
  int openCode = 0;                          // the serial layer's code when it did not
};

struct ProbeTimes {
  int settleMs = 660;     // before "AT", as before every session
  int answerMs = 3000;    // a modem answers "AT" within milliseconds; 3 s covers a slow USB one
};

// What a failed open of `devicePath` with the serial layer's `code` means.
PortOutcome OpenFailureOutcome(const std::string& devicePath, int code);

// Opens the device, waits, sends "AT" and, when nothing came and
// `resetString` is not blank, the reset string too. The port is closed on
// return, whatever happened.
PortProbeResult ProbePort(const std::string& devicePath, const std::string& resetString, const ProbeTimes& times,
                          const std::atomic<bool>* cancelled = nullptr);

// "MODEM", "Unknown", "Unknown (answers ERROR: not a modem)", "Port does
// not exist", "Port is already open (could be modem)", ...
std::string PortResultText(const PortProbeResult& result);

class ModemSearch {
public:
  // Both run on a worker thread.
  using ResultHandler = std::function<void(size_t index, const PortProbeResult& result)>;
  using FinishedHandler = std::function<void()>;

  ModemSearch(std::vector<ProbeTarget> targets, std::string resetString, ProbeTimes times = {});
  // Cancels what still runs and waits for it (at most one poll slice).
  ~ModemSearch();
  ModemSearch(const ModemSearch&) = delete;
  ModemSearch& operator=(const ModemSearch&) = delete;

  void start(ResultHandler onResult, FinishedHandler onFinished);
  void cancel() { cancelled_ = true; }
  // Waits until every probe has ended; false on time-out.
  bool waitFinished(std::chrono::milliseconds timeout);

  const std::vector<ProbeTarget>& targets() const { return targets_; }
  std::vector<PortProbeResult> results() const;
  // Index of the first target, in their order, where a modem answered.
  std::optional<size_t> firstModem() const;
  // A port was held by another program (changes the advice).
  bool anyBusy() const;

private:
  void run(ResultHandler onResult, FinishedHandler onFinished);

  const std::vector<ProbeTarget> targets_;
  const std::string resetString_;
  const ProbeTimes times_;
  std::atomic<bool> cancelled_{false};
  mutable std::mutex mutex_;
  std::condition_variable finishedChanged_;
  std::vector<PortProbeResult> results_;  // guarded by mutex_
  bool finished_ = false;                 // guarded by mutex_
  std::thread runner_;
};

// The port the search suggests, and the device to map it to when the modem
// is not on one of COM1-COM6 as they stand: then the first of COM1-COM6 with
// no device behind it (or, failing that, one that answered nothing) is
// mapped to the modem's device. Nothing when no modem, or no COM number is
// free to map.
struct PortSuggestion {
  int comNumber = 0;
  std::string mapDevicePath;  // empty: COMn already reaches the modem
};
std::optional<PortSuggestion> SuggestComPort(const std::vector<ProbeTarget>& targets,
                                             const std::vector<PortProbeResult>& results);

}  // namespace telvane
