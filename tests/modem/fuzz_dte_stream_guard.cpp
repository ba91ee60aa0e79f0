// Fuzz target: anything a program may write to the virtual modem, cut into
// pieces, through the guard, with a host that switches modes the way the
// T.31 modem does, and each line through the fixture's own command matching.
// The guard must stay bounded and never pass a line or a frame over its
// limits.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/virtual-modem/command_overrides.h"
#include "tools/virtual-modem/dle_stuffing.h"
#include "tools/virtual-modem/dte_stream_guard.h"

using telvane::vmodem::DteStreamGuard;
using telvane::vmodem::ModemInputMode;

namespace {

class Host : public DteStreamGuard::Host {
public:
  ModemInputMode mode = ModemInputMode::Command;
  ModemInputMode inputMode() override { return mode; }
  void commandLine(std::string_view line) override {
    if (line.size() > DteStreamGuard::kMaxCommandLine) std::abort();
    // A command ends whatever data came before it: the next data mode
    // starts a fresh frame, as the guard's own count does.
    frame = 0;
    afterDle = false;
    // The line then meets the fixture's own command matching.
    const std::string normalized = telvane::vmodem::normalizeCommandLine(line);
    (void)telvane::vmodem::answerCommand(telvane::vmodem::withoutLineOptions(normalized), identity, errorOn);
    // ... and the silent-after fault's, which walks the line command by command.
    for (const char* command : {"D", "+FTM=", "S0?"}) (void)telvane::vmodem::lineHasCommand(normalized, command);
    if (!line.empty()) (void)telvane::vmodem::lineHasCommand(normalized, line.substr(line.size() / 2));
    if (line.find("+FTH") != std::string_view::npos) mode = ModemInputMode::HdlcData;
    else if (line.find("+FTM") != std::string_view::npos) mode = ModemInputMode::StreamData;
    else if (line.find("+FR") != std::string_view::npos) mode = ModemInputMode::Receiving;
  }
  void rejectedLine() override {}
  void dataToModem(std::span<const uint8_t> bytes) override {
    if (mode == ModemInputMode::Receiving) {
      mode = ModemInputMode::Command;
      frame = 0;
      afterDle = false;
      return;
    }
    // Track the unshielded frame size as the modem would.
    for (const uint8_t byte : bytes) {
      if (afterDle) {
        afterDle = false;
        if (byte == telvane::vmodem::kEtx) {
          frame = 0;
        } else {
          frame += byte == telvane::vmodem::kSub ? 2 : byte == telvane::vmodem::kDle ? 1 : 0;
        }
      } else if (byte == telvane::vmodem::kDle) {
        afterDle = true;
      } else {
        ++frame;
      }
      if (mode == ModemInputMode::HdlcData && frame > DteStreamGuard::kMaxHdlcFrame) std::abort();
    }
  }
  bool afterDle = false;
  size_t frame = 0;
  telvane::vmodem::ModemIdentity identity;
  std::vector<std::string> errorOn{"+FTH=3", "\"", ""};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DteStreamGuard guard;
  Host host;
  size_t at = 0;
  while (at < size) {
    // The first byte of each piece sets its length; the modem answers (and
    // leaves data mode) between pieces when the piece's length is odd.
    const size_t piece = 1 + data[at] % 64;
    const size_t end = at + 1 + piece < size ? at + 1 + piece : size;
    if (at + 1 < end) guard.feed(std::span(data + at + 1, end - at - 1), host);
    if (piece % 2 == 1 && guard.holding()) {
      host.mode = ModemInputMode::Command;
      host.frame = 0;
      host.afterDle = false;
      guard.releaseHold(host);
    }
    if (guard.heldBytes() > DteStreamGuard::kMaxHeldBytes) std::abort();
    at = end;
  }
  return 0;
}
