#pragma once
// TKovaFaxPrinterLog: the print log, one entry for each start, end, abort
// and failure of a print job, appended to LogFileName (created when
// missing; a relative name lives in the program directory).

#include <ctime>
#include <string>

namespace telvane {

// FaxPLCode values.
enum TFaxPLCode { lcStart = 0, lcFinish = 1, lcAbort = 2, lcFail = 3 };

class TKovaCustomFaxPrinterLog {
public:
  virtual ~TKovaCustomFaxPrinterLog() = default;
  std::string LogFileName = "FAXPRINT.LOG";

  // Appends the entry for `code` about `faxFile` at `when`. 0 or a negative
  // file error.
  int UpdateLog(int code, const std::string& faxFile, const std::tm& when) const;
  // The text of an entry, line ends included.
  static std::string EntryText(int code, const std::string& faxFile, const std::tm& when);
};

class TKovaFaxPrinterLog : public TKovaCustomFaxPrinterLog {};

}  // namespace telvane
