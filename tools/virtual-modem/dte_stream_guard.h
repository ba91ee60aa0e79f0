#pragma once
// What the DTE writes to the virtual modem, cut into what the modem may be
// given. spandsp's T.31 modem trusts its DTE; a real modem does not. This
// guard stands in front of it:
//
//   - Command mode: bytes are collected into lines ended by CR (V.250 clause
//     5.2.1). A line longer than kMaxCommandLine, or holding control or
//     8-bit bytes, is answered ERROR and never reaches the modem (its command
//     parser overflows a stack buffer on lines over about 100 characters).
//   - HDLC transmit data (+FTH, T.31 clause 8.3.3): a frame longer than
//     kMaxHdlcFrame is cut there; the modem's frame buffer holds 284 bytes.
//   - Stream transmit data (+FTM): passed on as it comes.
//   - After DLE ETX the modem finishes the transmission before it reads
//     commands again; a command written together with the DLE ETX would be
//     lost, so whatever follows is held until the host sees the modem answer
//     (releaseHold).
//   - Receiving (+FRM/+FRH): any byte aborts the reception (T.31 clause
//     8.3.5); one byte goes on and the mode is asked again.
//
// Pure and bounded: the guard keeps at most kMaxHeldBytes, and counts what it
// drops.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace telvane::vmodem {

enum class ModemInputMode { Command, HdlcData, StreamData, Receiving };

class DteStreamGuard {
public:
  static constexpr size_t kMaxCommandLine = 90;
  static constexpr size_t kMaxHdlcFrame = 256;
  static constexpr size_t kMaxHeldBytes = 8192;

  class Host {
  public:
    virtual ~Host() = default;
    virtual ModemInputMode inputMode() = 0;
    // A complete, clean command line, without its CR.
    virtual void commandLine(std::string_view line) = 0;
    // A line the modem must not see: answer ERROR.
    virtual void rejectedLine() = 0;
    // Bytes for the modem in a data mode, DLE shielding intact.
    virtual void dataToModem(std::span<const uint8_t> bytes) = 0;
  };

  void feed(std::span<const uint8_t> bytes, Host& host);
  // The modem has answered the data ended by DLE ETX: held bytes go on.
  void releaseHold(Host& host);

  bool holding() const { return holding_; }
  size_t heldBytes() const { return held_.size(); }
  long droppedBytes() const { return dropped_; }
  long cutFrames() const { return cutFrames_; }
  long rejectedLines() const { return rejectedLines_; }

private:
  void feedCommand(uint8_t byte, Host& host);
  // Returns how many bytes of `bytes` it used.
  size_t feedData(std::span<const uint8_t> bytes, ModemInputMode mode, Host& host);
  void resetData();

  std::string line_;
  bool lineBad_ = false;
  bool afterDle_ = false;
  size_t frameBytes_ = 0;
  bool frameCut_ = false;
  bool holding_ = false;
  bool releasing_ = false;
  std::string held_;
  ModemInputMode lastMode_ = ModemInputMode::Command;
  long dropped_ = 0;
  long cutFrames_ = 0;
  long rejectedLines_ = 0;
};

}  // namespace telvane::vmodem
