#pragma once
// A tracing relay between a fax program and its modem: a pseudo-terminal of
// its own that the program opens in place of the modem's, every byte passed
// on as it comes (both ways, with the flow control a pty gives: nothing is
// read from one side while the other has not taken the last read), and
// noted with the time it arrived. The modem's side is opened while the
// program has its side open and closed when the program closes it, so the
// modem sees the program come and go as if it were attached directly.
//
// The dialogue is cut into what a Class 1 program and modem say (T.31):
//
//   modem -> program   result lines; HDLC frames after CONNECT to +FRH or
//                      ATD (DLE shielded, FCS included, up to DLE ETX); data
//                      after CONNECT to +FRM, up to DLE ETX
//   program -> modem   command lines up to CR; after CONNECT to +FTH, +FTM
//                      or ATA, frame or page data up to DLE ETX; any other
//                      byte between commands (a blank or CAN cancelling a
//                      reception)
//
// On request the relay changes one thing: the minimum scan-line time that
// the called station's DIS declares (T.30 Table 2 bits 21-23), with the FCS
// made good again, so a sender's fill can be measured against a receiver
// that needs some. The frame is then passed on whole when its DLE ETX came.

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "tools/virtual-modem/pty_port.h"

namespace telvane::bench {

using Clock = std::chrono::steady_clock;

struct TraceEvent {
  enum class Kind {
    ModemLine,    // a result line (text)
    ModemFrame,   // a received HDLC frame, unshielded, FCS included (bytes)
    ModemData,    // received data up to DLE ETX (bytes)
    HostCommand,  // a command line without its CR (text); `at` is its first byte
    HostDataStart,  // the first byte of frame or page data after CONNECT (text: the command)
    HostFrame,    // a frame the program sent, unshielded (bytes)
    HostData,     // page or training data the program sent, unshielded (bytes; text: the command)
    HostByte,     // a byte between commands (bytes)
  };
  Kind kind;
  Clock::time_point at;
  std::string text;
  std::vector<uint8_t> bytes;
};

// Splits the two directions of a Class 1 dialogue into events. Pure: the
// relay feeds it what it reads with the time it read it.
class DialogueParser {
public:
  // From the modem. Returns the bytes to pass on to the program: the input
  // itself, except that with a DIS rewrite frames are held to their end.
  std::vector<uint8_t> fromModem(std::span<const uint8_t> bytes, Clock::time_point at);
  void fromHost(std::span<const uint8_t> bytes, Clock::time_point at);

  // Declare this minimum scan-line time (0, 5, 10, 20 or 40 ms at both
  // resolutions) in every DIS passed on; nothing set passes DIS unchanged.
  void rewriteDisScanTime(std::optional<int> ms) { disScanMs_ = ms; }

  std::vector<TraceEvent>& events() { return events_; }

private:
  enum class ModemMode { Lines, Frame, Data };
  void emit(TraceEvent::Kind kind, Clock::time_point at, std::string text = {}, std::vector<uint8_t> bytes = {});
  void modemLineEnded(Clock::time_point at);
  // Ends a received frame or data; a DIS rewritten comes back shielded
  // with its DLE ETX, anything else as nothing.
  std::vector<uint8_t> finishModemFrame(Clock::time_point at);

  std::vector<TraceEvent> events_;
  std::optional<int> disScanMs_;
  std::string lastCommand_;  // upper case, as the program wrote it

  ModemMode modemMode_ = ModemMode::Lines;
  std::string modemLine_;
  bool modemAfterDle_ = false;
  bool lineEndedWithCr_ = false;  // an LF right after it ends the same line
  std::vector<uint8_t> modemBlock_;    // unshielded frame or data
  std::vector<uint8_t> heldFrame_;     // as received, while a rewrite holds it

  bool hostData_ = false;          // the program's next bytes are data
  bool hostDataStarted_ = false;
  bool hostAfterDle_ = false;
  std::string hostCommand_;
  Clock::time_point hostCommandAt_{};
  std::vector<uint8_t> hostBlock_;
};

class TraceRelay {
public:
  TraceRelay() = default;
  ~TraceRelay();
  TraceRelay(const TraceRelay&) = delete;
  TraceRelay& operator=(const TraceRelay&) = delete;

  // Creates the relay's pty with a symlink at `hostLink` for the program,
  // and starts relaying to the modem's device `modemPath` whenever the
  // program has the pty open. 0 or -1 with `error` set.
  int start(const std::string& hostLink, const std::string& modemPath, std::optional<int> disScanMs,
            std::string& error);
  // Stops the relay and returns what it saw.
  std::vector<TraceEvent> stop();

private:
  void run();
  void flush(int to, std::vector<uint8_t>& pending);
  bool readFrom(int from, std::vector<uint8_t>& pending, bool fromModem);

  std::unique_ptr<vmodem::PtyPort> hostPort_;
  int master_ = -1;  // hostPort_'s descriptor
  int modemFd_ = -1;  // -1: closed; kModemGone: the modem went away
  static constexpr int kModemGone = -2;
  std::string modemPath_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  // Used by the relay's thread alone until stop() has joined it.
  DialogueParser parser_;
  std::vector<uint8_t> toModem_;
  std::vector<uint8_t> toHost_;
};

// The 16-bit frame check sequence of HDLC (the CRC that T.30 frames carry)
// over `bytes`, in the order its two octets are sent.
std::array<uint8_t, 2> HdlcFcs(std::span<const uint8_t> bytes);

}  // namespace telvane::bench
