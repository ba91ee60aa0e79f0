#pragma once
// Faults the virtual modem plays on demand, one "--fault" option each:
//
//   busy                 the number dialled is busy (BUSY)
//   no-answer            nobody answers (NO ANSWER after the ringing)
//   no-dial-tone         the line is dead when dialling (NO DIALTONE)
//   silent               the modem answers nothing at all
//   error-on=CMD         the modem answers ERROR to any line holding CMD
//                        (written without AT, e.g. error-on=+FTH=3)
//   carrier-lost=N       the line drops two seconds into page N
//   noise=RATE           bit errors at RATE (e.g. 1e-4) in page data,
//                        both directions
//   max-rate=BPS         training above BPS fails on this line, so the
//                        remote answers FTT and the sender steps down
//   hangup-after-dis     the remote hangs up once DIS has gone across
//   rtn=N                page N arrives damaged the first time, so the
//                        remote receiver answers RTN to it
//   seed=N               seed of the noise generator (default 1)

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace telvane::vmodem {

enum class DialOutcome { Connect, Busy, NoAnswer, NoDialTone };

struct FaultPlan {
  DialOutcome dial = DialOutcome::Connect;
  bool silent = false;
  std::vector<std::string> errorOn;
  int carrierLostPage = 0;   // 0: never
  double noiseBitErrorRate = 0;
  int maxTrainingRate = 0;   // 0: no limit
  bool hangupAfterDis = false;
  int rtnPage = 0;           // 0: never
  uint64_t seed = 1;
};

// Adds one fault to the plan. Returns 0, or -1 with a message in `error`.
int addFault(std::string_view text, FaultPlan& plan, std::string& error);

}  // namespace telvane::vmodem
