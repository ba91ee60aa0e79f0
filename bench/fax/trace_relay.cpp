#include "bench/fax/trace_relay.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace telvane::bench {

namespace {

constexpr uint8_t kDle = 0x10;
constexpr uint8_t kEtx = 0x03;
constexpr uint8_t kSub = 0x1A;  // T.31: DLE SUB stands for two DLEs
constexpr uint8_t kDisFcf = 0x80;  // FCF in wire form, X bit clear
constexpr size_t kFcfOffset = 2;    // address, control, FCF
constexpr size_t kFifOffset = 3;
// DIS byte 3 (bits 17-24) holds the scan-time bits b21-b23.
constexpr size_t kScanByte = kFifOffset + 2;
constexpr uint8_t kScanMask = 0x70;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// T.30 Table 2 bits 21-23 (b21 = 0x10) for a time that holds at both
// resolutions.
uint8_t ScanBits(int ms) {
  switch (ms) {
    case 0: return 0x70;
    case 5: return 0x10;
    case 10: return 0x20;
    case 40: return 0x40;
    default: return 0x00;  // 20 ms
  }
}

void AppendShielded(std::span<const uint8_t> bytes, std::vector<uint8_t>& out) {
  for (uint8_t b : bytes) {
    out.push_back(b);
    if (b == kDle) out.push_back(kDle);
  }
}

}  // namespace

std::array<uint8_t, 2> HdlcFcs(std::span<const uint8_t> bytes) {
  uint16_t crc = 0xFFFF;
  for (uint8_t b : bytes) {
    crc ^= b;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0x8408) : crc >> 1;
  }
  crc = static_cast<uint16_t>(~crc);
  return {static_cast<uint8_t>(crc & 0xFF), static_cast<uint8_t>(crc >> 8)};
}

// ---- the dialogue

void DialogueParser::emit(TraceEvent::Kind kind, Clock::time_point at, std::string text, std::vector<uint8_t> bytes) {
  events_.push_back({kind, at, std::move(text), std::move(bytes)});
}

std::vector<uint8_t> DialogueParser::fromModem(std::span<const uint8_t> bytes, Clock::time_point at) {
  std::vector<uint8_t> out;
  out.reserve(bytes.size());
  for (uint8_t b : bytes) {
    // A frame starts with its address (0xFF): a line break before it is a
    // result line instead (NO CARRIER, ERROR: no frame came).
    if (modemMode_ == ModemMode::Frame && modemBlock_.empty() && heldFrame_.empty() && !modemAfterDle_ &&
        (b == '\r' || (b == '\n' && !lineEndedWithCr_))) {
      modemMode_ = ModemMode::Lines;
    }
    if (modemMode_ == ModemMode::Lines) {
      out.push_back(b);
      if (b == '\n' && lineEndedWithCr_) {
        lineEndedWithCr_ = false;
        continue;
      }
      lineEndedWithCr_ = b == '\r';
      if (b == '\r' || b == '\n') modemLineEnded(at);
      else if (b >= 0x20 && b < 0x7F) modemLine_.push_back(static_cast<char>(b));
      continue;
    }
    if (b == '\n' && lineEndedWithCr_) {  // the rest of CONNECT's line
      lineEndedWithCr_ = false;
      out.push_back(b);
      continue;
    }
    lineEndedWithCr_ = false;
    const bool hold = modemMode_ == ModemMode::Frame && disScanMs_.has_value();
    (hold ? heldFrame_ : out).push_back(b);
    if (modemAfterDle_) {
      modemAfterDle_ = false;
      if (b == kEtx) {
        // A frame held for the rewrite goes on changed, or as it came.
        const std::vector<uint8_t> changed = finishModemFrame(at);
        if (hold) {
          const std::vector<uint8_t>& passed = changed.empty() ? heldFrame_ : changed;
          out.insert(out.end(), passed.begin(), passed.end());
          heldFrame_.clear();
        }
      } else if (b == kDle) {
        modemBlock_.push_back(kDle);
      } else if (b == kSub) {
        modemBlock_.insert(modemBlock_.end(), 2, kDle);
      }
      // DLE with anything else: dropped, as T.31 has it.
    } else if (b == kDle) {
      modemAfterDle_ = true;
    } else {
      modemBlock_.push_back(b);
    }
  }
  return out;
}

void DialogueParser::modemLineEnded(Clock::time_point at) {
  if (modemLine_.empty()) return;
  const std::string line = std::move(modemLine_);
  modemLine_.clear();
  emit(TraceEvent::Kind::ModemLine, at, line);
  if (line != "CONNECT") return;
  if (lastCommand_.starts_with("AT+FRH") || lastCommand_.starts_with("ATD")) {
    modemMode_ = ModemMode::Frame;  // T.31: after ATD the modem receives V.21 itself
  } else if (lastCommand_.starts_with("AT+FRM")) {
    modemMode_ = ModemMode::Data;
  } else if (lastCommand_.starts_with("AT+FTH") || lastCommand_.starts_with("AT+FTM") || lastCommand_ == "ATA") {
    hostData_ = true;  // T.31: after ATA the modem transmits V.21
    hostDataStarted_ = false;
    hostAfterDle_ = false;
  }
  modemAfterDle_ = false;
  modemBlock_.clear();
}

std::vector<uint8_t> DialogueParser::finishModemFrame(Clock::time_point at) {
  std::vector<uint8_t> passed;
  std::vector<uint8_t> block = std::move(modemBlock_);
  modemBlock_.clear();
  const bool frame = modemMode_ == ModemMode::Frame;
  modemMode_ = ModemMode::Lines;
  if (frame && disScanMs_ && block.size() > kScanByte + 2 && (block[kFcfOffset] & 0xFE) == kDisFcf) {
    block[kScanByte] = static_cast<uint8_t>((block[kScanByte] & ~kScanMask) | ScanBits(*disScanMs_));
    const auto fcs = HdlcFcs(std::span(block).first(block.size() - 2));
    block[block.size() - 2] = fcs[0];
    block[block.size() - 1] = fcs[1];
    AppendShielded(block, passed);
    passed.push_back(kDle);
    passed.push_back(kEtx);
  }
  emit(frame ? TraceEvent::Kind::ModemFrame : TraceEvent::Kind::ModemData, at, {}, std::move(block));
  return passed;
}

void DialogueParser::fromHost(std::span<const uint8_t> bytes, Clock::time_point at) {
  for (uint8_t b : bytes) {
    if (hostData_) {
      if (!hostDataStarted_) {
        hostDataStarted_ = true;
        emit(TraceEvent::Kind::HostDataStart, at, lastCommand_);
      }
      if (hostAfterDle_) {
        hostAfterDle_ = false;
        if (b == kEtx) {
          const bool frame = lastCommand_.starts_with("AT+FTH") || lastCommand_ == "ATA";
          emit(frame ? TraceEvent::Kind::HostFrame : TraceEvent::Kind::HostData, at, lastCommand_,
               std::move(hostBlock_));
          hostBlock_.clear();
          hostData_ = false;
        } else if (b == kDle) {
          hostBlock_.push_back(kDle);
        } else if (b == kSub) {
          hostBlock_.insert(hostBlock_.end(), 2, kDle);
        }
      } else if (b == kDle) {
        hostAfterDle_ = true;
      } else {
        hostBlock_.push_back(b);
      }
      continue;
    }
    if (b == '\r') {
      if (!hostCommand_.empty()) {
        lastCommand_ = Upper(hostCommand_);
        emit(TraceEvent::Kind::HostCommand, hostCommandAt_, hostCommand_);
        hostCommand_.clear();
      }
      continue;
    }
    if (hostCommand_.empty() && b != 'A' && b != 'a') {
      if (b != '\n') emit(TraceEvent::Kind::HostByte, at, {}, {b});
      continue;
    }
    if (hostCommand_.empty()) hostCommandAt_ = at;
    hostCommand_.push_back(static_cast<char>(b));
  }
}

// ---- the relay

TraceRelay::~TraceRelay() { stop(); }

int TraceRelay::start(const std::string& hostLink, const std::string& modemPath, std::optional<int> disScanMs,
                      std::string& error) {
  // The host's end: a pty in raw mode behind `hostLink`, as the virtual
  // modem makes its own.
  hostPort_ = std::make_unique<vmodem::PtyPort>();
  if (hostPort_->open(hostLink, error) < 0) return -1;
  master_ = hostPort_->fd();
  modemPath_ = modemPath;
  parser_.rewriteDisScanTime(disScanMs);
  thread_ = std::thread([this] { run(); });
  return 0;
}

std::vector<TraceEvent> TraceRelay::stop() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  if (modemFd_ >= 0) ::close(modemFd_);
  modemFd_ = -1;
  hostPort_.reset();  // closes the pty and removes its link
  master_ = -1;
  return std::move(parser_.events());
}

// Writes what is pending to `to`, as much as it takes now.
void TraceRelay::flush(int to, std::vector<uint8_t>& pending) {
  while (!pending.empty()) {
    const ssize_t n = ::write(to, pending.data(), pending.size());
    if (n <= 0) return;  // full: the other side reads first
    pending.erase(pending.begin(), pending.begin() + n);
  }
}

// Reads what `from` has and makes it pending for the other side. False when
// `from` has gone (end of file, or the pty's other side closed).
bool TraceRelay::readFrom(int from, std::vector<uint8_t>& pending, bool fromModem) {
  uint8_t buffer[4096];
  const ssize_t n = ::read(from, buffer, sizeof buffer);
  if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return false;
  if (n < 0) return true;
  const auto at = Clock::now();
  const std::span<const uint8_t> bytes(buffer, static_cast<size_t>(n));
  if (fromModem) {
    const std::vector<uint8_t> out = parser_.fromModem(bytes, at);
    pending.insert(pending.end(), out.begin(), out.end());
  } else {
    parser_.fromHost(bytes, at);
    pending.insert(pending.end(), bytes.begin(), bytes.end());
  }
  return true;
}

void TraceRelay::run() {
  while (!stopping_.load()) {
    // A pty master reports POLLHUP while nobody has the other side open.
    pollfd probe{master_, POLLIN, 0};
    ::poll(&probe, 1, 0);
    if (probe.revents & POLLHUP) {
      // The program closed the port: what it wrote before still goes to
      // the modem, then the modem sees its DTE go too.
      if (modemFd_ >= 0) {
        while (readFrom(master_, toModem_, false) && !toModem_.empty()) flush(modemFd_, toModem_);
        ::close(modemFd_);
      }
      modemFd_ = -1;
      toModem_.clear();
      toHost_.clear();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    if (modemFd_ == -1) {
      modemFd_ = ::open(modemPath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      if (modemFd_ < 0) {
        modemFd_ = -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        continue;
      }
      termios tio{};
      if (::tcgetattr(modemFd_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(modemFd_, TCSANOW, &tio);
      }
    }
    if (modemFd_ == kModemGone) {
      // The modem has exited; what the program still writes is dropped.
      uint8_t sink[4096];
      while (::read(master_, sink, sizeof sink) > 0) {
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    flush(master_, toHost_);
    flush(modemFd_, toModem_);
    // Nothing is read from a side while the other has not taken the last
    // read: the program's writes then wait in the kernel, as they would
    // on the modem's own pty.
    pollfd fds[2] = {
        {master_, static_cast<short>((toModem_.empty() ? POLLIN : 0) | (toHost_.empty() ? 0 : POLLOUT)), 0},
        {modemFd_, static_cast<short>((toHost_.empty() ? POLLIN : 0) | (toModem_.empty() ? 0 : POLLOUT)), 0},
    };
    if (::poll(fds, 2, 10) <= 0) continue;
    if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) && toHost_.empty()) {
      if (!readFrom(modemFd_, toHost_, true)) {
        ::close(modemFd_);
        modemFd_ = kModemGone;
        continue;
      }
      flush(master_, toHost_);
    }
    if ((fds[0].revents & POLLIN) && toModem_.empty()) {
      readFrom(master_, toModem_, false);
      flush(modemFd_, toModem_);
    }
  }
}

}  // namespace telvane::bench
