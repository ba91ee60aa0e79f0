#pragma once
// Collecting what a fax modem sends into result lines and HDLC frames.
//
// Line mode (the default): CR or LF ends a line; empty lines are skipped;
// other control bytes (XON, XOFF, NUL, a stray DLE or ETX) are dropped. A
// line longer than kMaxLine is kept to kMaxLine characters, the rest is
// dropped up to its end and the line is reported as truncated.
//
// Frame mode (after the modem said CONNECT to +FRH, or after ATD/ATA when
// a V.21 frame follows): the bytes are DLE shielded (T.31 8.5): DLE DLE is
// one 0x10, DLE SUB two 0x10 (the "double escape"), DLE ETX ends the frame,
// DLE followed by any other byte is dropped with it. A frame keeps every
// byte, CR and LF included, with the two FCS bytes the modem passes on;
// only CR and LF ahead of its first byte (the end of the CONNECT line when
// expectFrame() was called on its CR) are skipped. A
// frame longer than kMaxFrame is dropped to its end and reported as
// overlong. After a frame the collector is back in line mode (the OK or
// ERROR that judges the frame's FCS follows as a line).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace telvane::t30 {

class ResponseCollector {
public:
  static constexpr size_t kMaxLine = 256;
  static constexpr size_t kMaxFrame = 512;

  enum class Event { None, Line, Frame };

  // Drops any partial line or frame; back to line mode.
  void reset();
  // The bytes that follow are HDLC frame data up to DLE ETX.
  void expectFrame();
  bool inFrame() const { return frameMode_; }

  // Feeds one byte; Line or Frame when one completed with it.
  Event feed(uint8_t byte);

  // The last completed line (without CR/LF) and whether it was cut.
  const std::string& line() const { return line_; }
  bool lineTruncated() const { return lineTruncated_; }
  // The last completed frame, unshielded, FCS bytes included, and whether
  // it overflowed kMaxFrame (its bytes are then empty).
  std::span<const uint8_t> frame() const { return frame_; }
  bool frameOverlong() const { return frameOverlong_; }

private:
  bool frameMode_ = false;
  bool afterDle_ = false;
  std::string partialLine_;
  bool partialTruncated_ = false;
  std::vector<uint8_t> partialFrame_;
  bool partialOverlong_ = false;
  std::string line_;
  bool lineTruncated_ = false;
  std::vector<uint8_t> frame_;
  bool frameOverlong_ = false;
};

}  // namespace telvane::t30
