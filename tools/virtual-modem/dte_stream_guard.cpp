#include "tools/virtual-modem/dte_stream_guard.h"

#include "tools/virtual-modem/dle_stuffing.h"

namespace telvane::vmodem {

namespace {

constexpr uint8_t kCr = 0x0D;
constexpr uint8_t kLf = 0x0A;
constexpr uint8_t kBackspace = 0x08;

bool isLineByte(uint8_t byte) {
  return (byte >= 0x20 && byte < 0x7F) || byte == '\t' || byte == kBackspace;
}

}  // namespace

void DteStreamGuard::feed(std::span<const uint8_t> bytes, Host& host) {
  while (!bytes.empty()) {
    if (holding_) {
      const size_t room = kMaxHeldBytes - held_.size();
      const size_t keep = bytes.size() < room ? bytes.size() : room;
      held_.append(reinterpret_cast<const char*>(bytes.data()), keep);
      dropped_ += static_cast<long>(bytes.size() - keep);
      return;
    }
    const ModemInputMode mode = host.inputMode();
    if (mode != lastMode_) {
      resetData();
      lastMode_ = mode;
    }
    switch (mode) {
      case ModemInputMode::Command:
        feedCommand(bytes.front(), host);
        bytes = bytes.subspan(1);
        break;
      case ModemInputMode::Receiving:
        // Any character aborts the reception; the modem then answers OK
        // and reads commands again, so the rest waits for a fresh look.
        host.dataToModem(bytes.first(1));
        bytes = bytes.subspan(1);
        break;
      case ModemInputMode::HdlcData:
      case ModemInputMode::StreamData:
        bytes = bytes.subspan(feedData(bytes, mode, host));
        break;
    }
  }
}

void DteStreamGuard::feedCommand(uint8_t byte, Host& host) {
  if (byte == kCr) {
    if (lineBad_) {
      ++rejectedLines_;
      host.rejectedLine();
    } else if (!line_.empty()) {
      host.commandLine(line_);
    }
    line_.clear();
    lineBad_ = false;
    return;
  }
  // LF after CR, and a DTE's idle XON/XOFF, are not part of any command.
  if (byte == kLf || byte == kDc1 || byte == kDc3) return;
  if (line_.empty() && !lineBad_ && (byte == ' ' || byte == kDle || byte == kEtx || byte == 0)) {
    // Stray bytes between lines, such as the tail of an aborted data
    // transfer, are ignored as real modems ignore them.
    return;
  }
  if (!isLineByte(byte) || line_.size() >= kMaxCommandLine) {
    lineBad_ = true;
    line_.clear();
    return;
  }
  if (!lineBad_) line_.push_back(static_cast<char>(byte));
}

size_t DteStreamGuard::feedData(std::span<const uint8_t> bytes, ModemInputMode mode, Host& host) {
  size_t i = 0;
  size_t runStart = 0;
  auto flushRun = [&](size_t end) {
    if (end > runStart) host.dataToModem(bytes.subspan(runStart, end - runStart));
    runStart = end;
  };
  const bool hdlc = mode == ModemInputMode::HdlcData;
  // A DLE that ended the previous piece has not been passed on yet: it
  // goes out with its partner, or is dropped with it when the frame is cut.
  static constexpr uint8_t kHeldDle[] = {kDle};
  auto passHeldDle = [&](size_t at) {
    if (at == 0) host.dataToModem(kHeldDle);
  };
  while (i < bytes.size()) {
    const uint8_t byte = bytes[i];
    if (afterDle_) {
      afterDle_ = false;
      if (byte == kEtx) {
        passHeldDle(i);
        ++i;
        frameBytes_ = 0;
        frameCut_ = false;
        holding_ = true;
        flushRun(i);
        return i;
      }
      const size_t dataBytes = byte == kDle ? 1 : byte == kSub ? 2 : 0;
      if (hdlc && dataBytes && frameBytes_ + dataBytes > kMaxHdlcFrame) {
        // Cut the frame: drop the DLE pair, and everything up to DLE ETX.
        if (i > 0) flushRun(i - 1);
        runStart = i + 1;
        if (!frameCut_) ++cutFrames_;
        frameCut_ = true;
        dropped_ += 2;
      } else {
        passHeldDle(i);
        frameBytes_ += dataBytes;
      }
      ++i;
      continue;
    }
    if (byte == kDle) {
      afterDle_ = true;
      ++i;
      continue;
    }
    if (hdlc && frameBytes_ + 1 > kMaxHdlcFrame) {
      flushRun(i);
      runStart = i + 1;
      if (!frameCut_) ++cutFrames_;
      frameCut_ = true;
      ++dropped_;
    } else {
      ++frameBytes_;
    }
    ++i;
  }
  // A trailing DLE waits for its partner, so a cut can still drop the pair.
  flushRun(afterDle_ && i > 0 ? i - 1 : i);
  return i;
}

void DteStreamGuard::releaseHold(Host& host) {
  if (!holding_ || releasing_) return;
  holding_ = false;
  std::string pending;
  pending.swap(held_);
  releasing_ = true;
  feed(std::span(reinterpret_cast<const uint8_t*>(pending.data()), pending.size()), host);
  releasing_ = false;
  // Anything the release itself held again stays in held_ for the next one.
}

void DteStreamGuard::resetData() {
  afterDle_ = false;
  frameBytes_ = 0;
  frameCut_ = false;
  line_.clear();
  lineBad_ = false;
}

}  // namespace telvane::vmodem
