#pragma once
// The fax history: a text file to which every fax component appends one
// entry per log notification (transmit started, finished, failed; receive
// started, finished, skipped, failed). The file is open only while one
// entry is written, so a crash loses at most the entry being written and
// other programs may read or rotate the file at any time.
//
// Lines end with "\n": the history is a Linux text file read with ordinary
// tools and never parsed by this program.

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "fax/status/fax_status_source.h"

namespace telvane {

// The date and time of a log line in the C library's date-time format of
// the LC_TIME locale ("%x %X"): the user's format once the program has
// adopted the environment's locale, "12/31/24 23:59:58" in the C locale.
std::string LogDateTimeText(std::time_t when);

// The text of one entry (lines ending "\n") for log `code` from the fax's
// progress `info`, or "" for a code that is not a log code.
std::string FaxLogEntryText(int code, const FaxStatusInfo& info, std::string_view dateTime);

class TKovaFaxLog {
public:
  TKovaFaxLog() = default;
  virtual ~TKovaFaxLog() = default;
  TKovaFaxLog(const TKovaFaxLog&) = delete;
  TKovaFaxLog& operator=(const TKovaFaxLog&) = delete;

  // ---- properties
  // Empty: nothing is logged. A relative name is taken in the program
  // directory, where every other file of the program lives, not in
  // whatever directory the program was started from.
  const std::string& FaxHistoryName() const { return faxHistoryName_; }
  void SetFaxHistoryName(std::string v) { faxHistoryName_ = std::move(v); }
  FaxStatusSource* Fax() const { return fax_; }
  void SetFax(FaxStatusSource* v) { fax_ = v; }

  // Where the entries' date-time text comes from: LogDateTimeText of the
  // wall-clock time unless a test pins it.
  void SetDateTimeSource(std::function<std::string()> source) { dateTime_ = std::move(source); }

  // The file written, or "" when FaxHistoryName is empty.
  std::string HistoryPath() const;

  // Appends the entry for `code` with the progress of Fax. Returns 0 (also
  // when nothing is to be written: no name, no Fax), -1002 for a code that
  // is not a log code, or a negated runtime file error (platform/io_errors.h)
  // when the file cannot be opened or written; the caller shows it.
  virtual int WriteLogEntry(int code);

private:
  std::string faxHistoryName_ = "KOVAFAX.HIS";
  FaxStatusSource* fax_ = nullptr;
  std::function<std::string()> dateTime_;
};

}  // namespace telvane
