#pragma once
// The modem side of a pseudo-terminal, played by a test script: it reads
// the commands, frames and data the engine writes and answers them as a
// Class 1 modem would (T.31), so each test is one scenario written as a
// dialogue.

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tests/serial/pty_pair.h"

namespace telvane::test {

inline constexpr std::string_view kAllModulations = "24,48,72,73,74,96,97,98,121,122,145,146";

class ScriptedModem {
public:
  explicit ScriptedModem(const PtyPair& pty) : pty_(pty) {}

  // The next command line the engine wrote, without its CR; "" when none
  // came in time. Blanks in front of it are the bytes with which the engine
  // cancels a reception: they are counted, not returned.
  std::string command(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // The next command; records a test failure unless it starts with `prefix`.
  std::string expect(std::string_view prefix, std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Writes a result line: CR LF, the text, CR LF.
  void reply(std::string_view text) const;
  // Reads a DLE ETX terminated block (an HDLC frame or transmitted data),
  // shielding removed; empty when none came in time.
  std::vector<uint8_t> block(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // A received frame as a modem hands it over after CONNECT: address,
  // control, FCF, info, two FCS bytes, shielded, DLE ETX; then OK, or
  // ERROR for a bad FCS.
  void frame(uint8_t fcf, std::span<const uint8_t> info, bool final, bool goodFcs = true) const;
  // Answers the initialisation a session starts with: the default init,
  // AT+FCLASS=1 and the modulation query.
  void answerInit(std::string_view modulations = kAllModulations);
  // Bytes as they are (training data, page data).
  void raw(const std::vector<uint8_t>& bytes) const { pty_.write(bytes); }
  int cancelBytes() const { return cancels_; }
  // One byte the engine wrote (a DC2), -1 when none came in time.
  int rawByte(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    return readByte(std::chrono::steady_clock::now() + timeout);
  }

private:
  int readByte(std::chrono::steady_clock::time_point deadline);

  const PtyPair& pty_;
  std::string pending_;
  int cancels_ = 0;
};

// The DIS of a far end that takes everything: V.17, fine, 1728, scan 0 ms.
std::vector<uint8_t> FullDis();

}  // namespace telvane::test
