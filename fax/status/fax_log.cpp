#include "fax/status/fax_log.h"

#include <fcntl.h>

#include "platform/posix_file.h"
#include "platform/program_directory.h"
#include "serial/message_table.h"
#include "serial/status_codes.h"

namespace telvane {

std::string LogDateTimeText(std::time_t when) {
  std::tm local{};
  if (!::localtime_r(&when, &local)) return {};
  char text[128];
  const size_t n = std::strftime(text, sizeof text, "%x %X", &local);
  return std::string(text, n);
}

std::string FaxLogEntryText(int code, const FaxStatusInfo& info, std::string_view dateTime) {
  const std::string at(dateTime);
  const std::string prefix = code >= lfaxReceiveStart ? "Receive " : "Transmit ";
  switch (code) {
    case lfaxTransmitStart: {
      std::string text;
      // A job without a file list is the one fax being sent: still logged.
      if (info.faxFileList.empty())
        return prefix + info.faxFile + " to " + info.phoneNumber + " started at " + at + "\n";
      for (const std::string& file : info.faxFileList)
        text += prefix + file + " to " + info.phoneNumber + " started at " + at + "\n";
      return text;
    }
    case lfaxTransmitOk:
      return prefix + "to " + info.remoteId + " finished OK at " + at + " " + info.hangupCode + "\n\n";
    case lfaxTransmitFail:
      return prefix + "failed at " + at + "\n  (" + ErrorText(info.lastError) + ") " + info.hangupCode + "\n\n";
    case lfaxReceiveStart:
      return prefix + info.faxFile + " from " + info.remoteId + " started at " + at + "\n";
    case lfaxReceiveOk:
      return prefix + "finished OK at " + at + "\n\n";
    case lfaxReceiveSkip:
      return prefix + "skipped at " + at + "\n\n";
    case lfaxReceiveFail:
      return prefix + "failed at " + at + "\n  (" + ErrorText(info.lastError) + ")\n\n";
    default:
      return {};
  }
}

std::string TKovaFaxLog::HistoryPath() const {
  if (faxHistoryName_.empty() || faxHistoryName_.front() == '/') return faxHistoryName_;
  return JoinPath(ProgramDirectory(), faxHistoryName_);
}

int TKovaFaxLog::WriteLogEntry(int code) {
  if (code < lfaxTransmitStart || code > lfaxReceiveFail) return ecBadArgument;
  if (faxHistoryName_.empty() || !fax_) return 0;
  const std::string dateTime = dateTime_ ? dateTime_() : LogDateTimeText(std::time(nullptr));
  const std::string entry = FaxLogEntryText(code, fax_->StatusInfo(), dateTime);

  // One write of the whole entry with O_APPEND: two programs logging to the
  // same history never interleave inside an entry.
  PosixFile file;
  if (int rc = file.open(HistoryPath(), O_WRONLY | O_CREAT | O_APPEND, 0644); rc < 0) return rc;
  const int written = file.write(entry.data(), entry.size());
  const int closed = file.close();
  return written < 0 ? written : closed;
}

}  // namespace telvane
