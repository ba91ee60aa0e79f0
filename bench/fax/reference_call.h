#pragma once
// The reference call: the same call with spandsp's own fax terminal (T.30
// with its own modems) in place of the program and its Class 1 modem. The
// other end is the fixture's far end itself (FarEndTerminal, configured as
// telvane-virtual-modem configures it), the audio goes through the
// fixture's line (TelephoneLine: its delay each way) in the fixture's
// 20 ms blocks, paced by the fixture's pacer. The terminal offers what
// Telvane offers: T.4 1-D coding only, no error correction, V.17/V.29/
// V.27 ter up to the rate.

#include <string>

namespace telvane::bench {

struct ReferenceSetup {
  bool hostSends = true;     // the terminal calls and sends; else the far end does
  std::string pageTiff;      // what the sending end sends
  std::string workDir;       // received files go here
  int rate = 14400;
  double speed = 1.0;        // line time against the wall clock
  int lineDelayMs = 60;      // the fixture's default
  double limitSeconds = 300;
};

struct ReferenceResult {
  bool ok = false;
  std::string message;     // the far end's T.30 completion text
  int pages = 0;
  int rate = 0;
  // From the connection to the far end's end of call: the wall clock's
  // time, times the speed.
  double seconds = 0;
};

ReferenceResult RunReferenceCall(const ReferenceSetup& setup);

}  // namespace telvane::bench
