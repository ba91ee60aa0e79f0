#include "settings/modem_search.h"

#include "platform/io_errors.h"
#include "platform/text.h"
#include "serial/message_table.h"
#include "serial/status_codes.h"
#include "settings/modem_line.h"

#include <unistd.h>

#include <cerrno>

namespace telvane {

PortOutcome OpenFailureOutcome(const std::string& devicePath, int code) {
  switch (code) {
    case ecFileNotFound:
    case ecPathNotFound:
    // EIO: a device node with no hardware behind it (a ttyS without a UART).
    case -io_error::ReadFault: return PortOutcome::Missing;
    case ecAccessDenied:
      // The serial layer reports both as "denied"; the user needs to know which.
      return ::access(devicePath.c_str(), R_OK | W_OK) != 0 && errno == EACCES ? PortOutcome::NoPermission
                                                                               : PortOutcome::Busy;
    default: return PortOutcome::Failed;
  }
}

PortProbeResult ProbePort(const std::string& devicePath, const std::string& resetString, const ProbeTimes& times,
                          const std::atomic<bool>* cancelled) {
  PortProbeResult result;
  ModemLine line(cancelled);
  result.openCode = line.open(devicePath);
  if (result.openCode != ecOK) {
    result.outcome = OpenFailureOutcome(devicePath, result.openCode);
    return result;
  }
  if (!line.settle(times.settleMs)) {
    result.answer = ModemAnswer::Lost;
  } else {
    result.answer = line.exchange("AT", times.answerMs).answer;
    // A modem in an odd state may still take its reset string.
    const std::string reset = TrimSpaces(resetString);
    if (result.answer == ModemAnswer::Silent && !reset.empty())
      result.answer = line.exchange(reset, times.answerMs).answer;
  }
  result.outcome = result.answer == ModemAnswer::Ok ? PortOutcome::Modem : PortOutcome::NoAnswer;
  return result;
}

std::string PortResultText(const PortProbeResult& result) {
  switch (result.outcome) {
    case PortOutcome::Pending: return "TESTING";
    case PortOutcome::Modem: return "MODEM";
    case PortOutcome::Busy: return "Port is already open (could be modem)";
    case PortOutcome::NoPermission: return "No permission to use the port (ask to be added to the dialout group)";
    case PortOutcome::Missing: return "Port does not exist";
    case PortOutcome::Failed: {
      const std::string_view text = MessageText(result.openCode);
      return text.empty() ? "Unknown Error" : std::string(text);
    }
    case PortOutcome::NoAnswer: break;
  }
  switch (result.answer) {
    case ModemAnswer::Error: return "Unknown (answers ERROR: not a modem)";
    case ModemAnswer::Echo: return "Unknown (echoes what it is sent: not a modem)";
    case ModemAnswer::Garbage: return "Unknown (answers garbage: not a modem)";
    case ModemAnswer::Lost: return "Unknown (the device went away during the test)";
    default: return "Unknown";
  }
}

ModemSearch::ModemSearch(std::vector<ProbeTarget> targets, std::string resetString, ProbeTimes times)
    : targets_(std::move(targets)), resetString_(std::move(resetString)), times_(times),
      results_(targets_.size()) {}

ModemSearch::~ModemSearch() {
  cancel();
  if (runner_.joinable()) runner_.join();
}

void ModemSearch::start(ResultHandler onResult, FinishedHandler onFinished) {
  runner_ = std::thread([this, onResult = std::move(onResult), onFinished = std::move(onFinished)] {
    run(onResult, onFinished);
  });
}

void ModemSearch::run(ResultHandler onResult, FinishedHandler onFinished) {
  std::vector<std::thread> probes;
  probes.reserve(targets_.size());
  for (size_t i = 0; i < targets_.size(); ++i) {
    probes.emplace_back([this, i, &onResult] {
      const PortProbeResult result = ProbePort(targets_[i].devicePath, resetString_, times_, &cancelled_);
      {
        std::lock_guard lock(mutex_);
        results_[i] = result;
      }
      if (onResult) onResult(i, result);
    });
  }
  for (std::thread& probe : probes) probe.join();
  if (onFinished) onFinished();
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
  }
  finishedChanged_.notify_all();
}

bool ModemSearch::waitFinished(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return finishedChanged_.wait_for(lock, timeout, [this] { return finished_; });
}

std::vector<PortProbeResult> ModemSearch::results() const {
  std::lock_guard lock(mutex_);
  return results_;
}

std::optional<size_t> ModemSearch::firstModem() const {
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < results_.size(); ++i)
    if (results_[i].outcome == PortOutcome::Modem) return i;
  return std::nullopt;
}

bool ModemSearch::anyBusy() const {
  std::lock_guard lock(mutex_);
  for (const PortProbeResult& result : results_)
    if (result.outcome == PortOutcome::Busy) return true;
  return false;
}

std::optional<PortSuggestion> SuggestComPort(const std::vector<ProbeTarget>& targets,
                                             const std::vector<PortProbeResult>& results) {
  const size_t count = std::min(targets.size(), results.size());
  size_t modem = count;
  for (size_t i = 0; i < count && modem == count; ++i)
    if (results[i].outcome == PortOutcome::Modem) modem = i;
  if (modem == count) return std::nullopt;
  if (targets[modem].comNumber > 0) return PortSuggestion{targets[modem].comNumber, {}};
  // Map a COM number whose own device is of no use: missing first, then one
  // that answered nothing; never a busy port (it may be a modem in use).
  for (PortOutcome freeKind : {PortOutcome::Missing, PortOutcome::NoAnswer})
    for (size_t i = 0; i < count; ++i)
      if (targets[i].comNumber > 0 && results[i].outcome == freeKind)
        return PortSuggestion{targets[i].comNumber, targets[modem].devicePath};
  return std::nullopt;
}

}  // namespace telvane
