#include "faximage/print_log.h"

#include <fcntl.h>

#include <cstdio>

#include "platform/posix_file.h"
#include "platform/program_directory.h"

namespace telvane {

std::string TKovaCustomFaxPrinterLog::EntryText(int code, const std::string& faxFile, const std::tm& when) {
  char stamp[80];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", when.tm_year + 1900, when.tm_mon + 1,
                when.tm_mday, when.tm_hour, when.tm_min, when.tm_sec);
  static const char* const kVerbs[] = {" started at ", " finished at ", " aborted at ", " failed at "};
  const char* verb = code >= lcStart && code <= lcFail ? kVerbs[code] : kVerbs[lcFail];
  // Every entry but the start one is followed by an empty line, so each job
  // reads as one block.
  return "Printing " + faxFile + verb + stamp + (code == lcStart ? "\r\n" : "\r\n\r\n");
}

int TKovaCustomFaxPrinterLog::UpdateLog(int code, const std::string& faxFile, const std::tm& when) const {
  const std::string path =
      !LogFileName.empty() && LogFileName[0] == '/' ? LogFileName : JoinPath(ProgramDirectory(), LogFileName);
  PosixFile f;
  if (int rc = f.open(path, O_WRONLY | O_CREAT | O_APPEND); rc < 0) return rc;
  const std::string text = EntryText(code, faxFile, when);
  if (int rc = f.write(text.data(), text.size()); rc < 0) return rc;
  return f.close();
}

}  // namespace telvane
