#include "fax/status/fax_status.h"

#include <algorithm>

#include "platform/clock.h"
#include "serial/message_table.h"

namespace telvane {

namespace {

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::string Number(long value) { return std::to_string(value); }

}  // namespace

std::string ShownFileName(std::string_view path) {
  const size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  size_t chars = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    if (IsUtf8Continuation(name[i])) continue;
    if (chars == MaxShownFileNameChars) return std::string(name.substr(0, i)) + "...";
    ++chars;
  }
  return std::string(name);
}

std::string MinutesSecondsText(int64_t seconds) {
  seconds = std::max<int64_t>(seconds, 0);
  const int64_t secs = seconds % 60;
  std::string text = std::to_string(seconds / 60) + ':' + (secs < 10 ? "0" : "") + std::to_string(secs);
  if (text.size() < 6) text.insert(0, 6 - text.size(), ' ');
  return text;
}

int PageProgressPercent(long bytesTransferred, long pageLength) {
  if (pageLength <= 0 || bytesTransferred <= 0) return 0;
  const int64_t percent = static_cast<int64_t>(bytesTransferred) * 100 / pageLength;
  return static_cast<int>(std::min<int64_t>(percent, 100));
}

// ---- FaxStatusModel

void FaxStatusModel::Reset() { *this = FaxStatusModel{}; }

void FaxStatusModel::StepClocks(int status, int dialRetryWaitSeconds, uint64_t nowMs) {
  // The countdown belongs to one stretch of 4803: it starts when the status
  // becomes 4803 and is gone as soon as it is anything else.
  if (status != fsBusyWaitingToRedial) {
    redialWaitFrom_.reset();
  } else if (lastStatus_ != fsBusyWaitingToRedial) {
    redialWaitFrom_ = nowMs;
    redialWaitSeconds_ = std::max(dialRetryWaitSeconds, 0);
  }

  // The connection runs from the first negotiation status to its end. A
  // stopped clock keeps showing the call's length until a new call
  // connects (receive mode waits for the next call without a new First).
  const bool connecting = status == fsGettingConnectionParams || status == fsGotCalledStationId;
  const bool ending = status == fsFinished || status == fsUserAbort || status == fsGotClass2Hangup;
  if (connecting && !ElapsedRunning()) {
    connectedAt_ = nowMs;
    endedAt_.reset();
  } else if (ending && ElapsedRunning()) {
    endedAt_ = nowMs;
  }
  lastStatus_ = status;
}

std::string FaxStatusModel::ElapsedText(uint64_t nowMs) const {
  if (!connectedAt_) return "00:00";
  const uint64_t end = endedAt_.value_or(nowMs);
  return MinutesSecondsText(end > *connectedAt_ ? static_cast<int64_t>((end - *connectedAt_) / 1000) : 0);
}

std::string FaxStatusModel::StatusText(int status, uint64_t nowMs) const {
  std::string text(FaxStatusText(status));
  if (status == fsBusyWaitingToRedial && redialWaitFrom_) {
    const uint64_t waitMs = static_cast<uint64_t>(redialWaitSeconds_) * 1000;
    const uint64_t passedMs = nowMs > *redialWaitFrom_ ? nowMs - *redialWaitFrom_ : 0;
    const uint64_t leftMs = passedMs < waitMs ? waitMs - passedMs : 0;
    // Rounded up: the full wait shows at the start, 0:00 only once it is over.
    text += MinutesSecondsText(static_cast<int64_t>((leftMs + 999) / 1000));
  }
  return text;
}

FaxStatusFields FaxStatusModel::Update(const FaxStatusInfo& info, uint64_t nowMs) {
  StepClocks(info.status, info.dialRetryWaitSeconds, nowMs);
  FaxStatusFields f;
  f.receiving = !info.sending;
  if (info.sending) {
    f.phoneNumber = info.phoneNumber;
    f.coverFileName = ShownFileName(info.coverFile);
  }
  f.faxFileName = ShownFileName(info.faxFile);
  f.totalPages = Number(info.totalPages);
  f.dialAttempt = Number(info.sending ? info.dialAttempt : 1);
  f.remoteId = info.remoteId;
  f.connectBps = Number(info.bps);
  f.resolution = ResolutionText(info.fine);
  f.width = WidthText(info.wide);
  f.errorControl = OnOffText(info.errorControl);
  f.currentPage = info.sending && info.sendingCover ? "<cover page>" : Number(info.currentPage);
  f.pageLength = Number(info.pageLength);
  f.bytesTransferred = Number(std::max(info.bytesTransferred, 0L));
  f.elapsedTime = ElapsedText(nowMs);
  f.statusMsg = StatusText(info.status, nowMs);
  f.progressPercent = PageProgressPercent(info.bytesTransferred, info.pageLength);
  return f;
}

// ---- TKovaAbstractFaxStatus

void TKovaAbstractFaxStatus::SetVisible(bool v) {
  visible_ = v;
  ShowDisplay(v);
}

FaxStatusFields TKovaAbstractFaxStatus::CurrentFields() {
  return model_.Update(fax_ ? fax_->StatusInfo() : FaxStatusInfo{}, CurrentClock().milliseconds());
}

}  // namespace telvane
