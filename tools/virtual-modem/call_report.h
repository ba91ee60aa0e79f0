#pragma once
// The one line the fixture prints at the end of every call, for tests and
// people to read:
//
//   CALL result=OK code=0 role=receiver pages=1 rate=14400 resolution=fine
//        width=1728 ecm=off remote_id="+1 555 0100" file="/tmp/rx.tif"
//        message="OK"
//
// (one line). `result` is OK, FAILED, BUSY, NO_ANSWER, NO_DIALTONE or
// NO_CALL (the ringing call was never answered). `code` is the far end's T.30
// completion code, `remote_id` the identity the far end heard from the
// program (TSI or CSI), `file` the TIFF the far end received (receiver only).
// Values in quotes have `"` and `\` escaped with a backslash.

#include <string>

namespace telvane::vmodem {

struct CallReport {
  std::string result = "OK";
  int code = 0;
  std::string role;
  int pages = 0;
  int rate = 0;
  int yResolution = 0;  // pixels per metre; 0 unknown
  int width = 0;
  bool ecm = false;
  std::string remoteId;
  std::string file;
  std::string message;
};

std::string formatCallReport(const CallReport& report);
// "standard", "fine", "superfine" or "unknown" from pixels per metre.
std::string resolutionName(int yResolution);

}  // namespace telvane::vmodem
