#pragma once
// What a traced Class 1 call says about the program: its turnarounds (how
// long after the modem's last line it wrote its next command or data), the
// called station's declared minimum scan-line time, and the page data it
// wrote, split into T.4 lines on the wire.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bench/fax/trace_relay.h"

namespace telvane::bench {

// The name of a T.30 frame from its FCF (wire form, X bit ignored).
std::string FrameName(uint8_t fcf);

struct Turnaround {
  std::string after;  // what the modem said last: "OK", "CONNECT after our TSI", "DIS frame + OK", ...
  std::string next;   // what the program wrote: a command, or "DCS frame", "page data", "TCF"
  double ms = 0;
  // The program raised its own carrier (+FTH, +FTM, +FTS) after a final
  // result: it waits there on purpose, the 75 ms (+-20) T.30 puts between
  // one station's signal and the other's.
  bool deliberate = false;
};

// The turnarounds of the call in `events`: from its dial or answer (ATD,
// ATA) to its hang-up (ATH), every time the program wrote a command or the
// first byte of data with nothing written since the modem's last line.
std::vector<Turnaround> CallTurnarounds(const std::vector<TraceEvent>& events);

struct Spread {
  size_t count = 0;
  double median = 0, p99 = 0, min = 0, max = 0;
};
Spread SpreadOf(std::vector<double> values);

// The minimum scan-line time at fine resolution (T.30 Table 2 bits 21-23)
// that the last DIS the modem delivered declares.
std::optional<int> DeclaredFineScanMs(const std::vector<TraceEvent>& events);

// Received frames whose FCS does not match their bytes (the modem passes
// the FCS on; a mismatch means the trace is cut wrongly).
int FramesWithBadFcs(const std::vector<TraceEvent>& events);

struct SentPage {
  bool found = false;
  std::string command;  // the +FTM that carried it
  std::vector<uint8_t> data;  // unshielded
  Clock::time_point start{};  // first byte written
  Clock::time_point end{};    // the modem's answer after DLE ETX
};
// The first page the program sent: data after +FTM that is not all zeros
// (the training check is).
SentPage FindSentPage(const std::vector<TraceEvent>& events);

// T.4 lines in page data whose first bit is the least significant bit of
// the first byte: the position of the final 1 of every EOL (eleven or more
// 0 bits, then a 1).
std::vector<uint64_t> EolPositions(std::span<const uint8_t> data);

struct PageFill {
  bool linesMatch = false;  // the wire has the page's lines, each at least its codes long, and RTC
  size_t wireLines = 0;     // coded lines between the first EOL and RTC
  size_t rtcEols = 0;       // EOLs after the last line's own
  uint64_t writtenBits = 0;
  uint64_t minimumBits = 0;   // EOLs and codes alone: no fill anywhere
  uint64_t requiredBits = 0;  // every line stretched to the scan time
  size_t shortLines = 0;      // lines (codes, fill, EOL) shorter than the scan time
};
// Measures page data against the lines it should hold: `codeBits` has the
// bits of each line's codes without EOL and fill, in order, for the lines
// after any head lines; lines in front of them (the wire has more) are
// taken as all-white lines of `headCodeBits`. RTC ends the page: at the
// least five more EOLs after the last line's (T.4 4.1.4 counts six in a row),
// any more are beyond the minimum. A line is its codes, its fill and the EOL
// after it (T.4 4.1.3), and must take at least `scanBits`.
PageFill MeasurePageFill(std::span<const uint8_t> data, const std::vector<uint32_t>& codeBits, uint32_t headCodeBits,
                         uint64_t scanBits);

}  // namespace telvane::bench
