#pragma once
// Faults the virtual modem plays on demand, one "--fault" option each:
//
//   busy                 the number dialled is busy (BUSY)
//   no-answer            nobody answers (NO ANSWER after the ringing)
//   no-dial-tone         the line is dead when dialling (NO DIALTONE)
//   silent               the modem answers nothing at all
//   silent-after=CMD     the modem goes dead at the first command line
//                        holding CMD (e.g. silent-after=+FTM=)
//   error-on=CMD         the modem answers ERROR to any line holding CMD
//                        (written without AT, e.g. error-on=+FTH=3)
//   bad-fcs=LIST         Class 1: these received V.21 frames reach the DTE
//                        with a bad FCS (and ERROR): positions in the call
//                        (bad-fcs=2,5) or kinds (bad-fcs=DIS, first only)
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
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace telvane::vmodem {

enum class DialOutcome { Connect, Busy, NoAnswer, NoDialTone };

// A kind of T.30 frame, named as in T.30 Table 5, by its FCF octet as it
// stands in the frame (third octet, after address and control).
struct FrameKind {
  const char* name;
  uint8_t fcf;
  // Whether the FCF's first bit is the X bit (set by the calling terminal)
  // rather than part of the name: DIS and DTC differ in that bit alone.
  bool xBit;
  bool matches(uint8_t frameFcf) const { return xBit ? (frameFcf & 0xFE) == fcf : frameFcf == fcf; }
};

std::optional<FrameKind> frameKindNamed(std::string_view name);

// One frame the bad-fcs fault spoils: by its position among the V.21 frames
// the DTE receives in a call (1-based), or the first frame of a kind.
struct FrameChoice {
  int position = 0;  // 0: chosen by kind
  FrameKind kind{};
};

struct FaultPlan {
  DialOutcome dial = DialOutcome::Connect;
  bool silent = false;
  std::vector<std::string> silentAfter;
  std::vector<std::string> errorOn;
  std::vector<FrameChoice> badFcs;
  int carrierLostPage = 0;   // 0: never
  double noiseBitErrorRate = 0;
  int maxTrainingRate = 0;   // 0: no limit
  bool hangupAfterDis = false;
  int rtnPage = 0;           // 0: never
  uint64_t seed = 1;
};

// Adds one fault to the plan. Returns 0, or -1 with a message in `error`.
int addFault(std::string_view text, FaultPlan& plan, std::string& error);

// Picks the received frames whose FCS the bad-fcs fault spoils, counting the
// frames of one call as the modem hands them to the DTE.
class FcsSpoiler {
public:
  explicit FcsSpoiler(std::vector<FrameChoice> choices = {})
      : choices_(std::move(choices)), kindUsed_(choices_.size(), false) {}
  bool active() const { return !choices_.empty(); }
  void newCall();
  // The next frame for the DTE (address, control, FCF, ...); true when its
  // FCS is to be spoiled.
  bool spoils(std::span<const uint8_t> frame);
  int framesSeen() const { return frames_; }

private:
  std::vector<FrameChoice> choices_;
  std::vector<bool> kindUsed_;  // per choice: its kind has had its frame
  int frames_ = 0;
};

}  // namespace telvane::vmodem
