#include "tools/virtual-modem/modem_port.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

extern "C" {
#include <spandsp.h>
}

namespace telvane::vmodem {

namespace {

// The modem is given DTE data in pieces this size, so its flow-control
// request (T.31 clause 8.4) is seen before its 4096-byte buffer overflows.
constexpr size_t kModemChunk = 128;
// A DTE data block is answered within a frame or page time; past this (in
// line samples, 8000 a second) the held bytes go on anyway.
constexpr int kHoldLimitSamples = 8000 * 15;

// +FTM/+FRM modulation codes of T.31 Table 3 and their rates.
int rateOfModulation(int code) {
  switch (code) {
    case 24: return 2400;
    case 48: return 4800;
    case 72: case 73: case 74: return 7200;
    case 96: case 97: case 98: return 9600;
    case 121: case 122: return 12000;
    case 145: case 146: return 14400;
    default: return 0;
  }
}

}  // namespace

ModemPort::ModemPort(const PortSettings& settings, PortEvents& events)
    : settings_(settings), events_(events), modem_(*this, settings.verbose), spoiler_(settings.badFcs) {}

ModemPort::~ModemPort() {
  for (const char* name : {"send.tif", "receive.tif", "page.tif"}) std::remove((settings_.linkPath + "." + name).c_str());
}

int ModemPort::open(std::string& error) { return pty_.open(settings_.linkPath, error); }

ModemInputMode ModemPort::inputMode() {
  if (class2_ && class2_->inputMode() != ModemInputMode::Command) return class2_->inputMode();
  return modem_.inputMode();
}

void ModemPort::transmit(std::span<int16_t> samples) {
  if (frozen_) {
    std::fill(samples.begin(), samples.end(), int16_t{0});
  } else if (class2_) {
    class2_->transmit(samples);
  } else {
    modem_.transmit(samples);
  }
}

void ModemPort::receive(std::span<int16_t> samples) {
  if (frozen_) return;
  if (class2_) {
    class2_->receive(samples);
  } else {
    modem_.receive(samples);
  }
}

void ModemPort::callEvent(int event) {
  if (frozen_) return;
  if (event == AT_CALL_EVENT_CONNECTED || event == AT_CALL_EVENT_ANSWERED) spoiler_.newCall();
  if (!class2_) return modem_.callEvent(event);
  class2_->callEvent(event, remote_);
  if (event != AT_CALL_EVENT_ALERTING) {
    rings_ = 0;
    return;
  }
  // S0 auto-answer (V.250 6.3.8), which the T.31 interpreter does for Class 1.
  ++rings_;
  const int s0 = modem_.autoAnswerRings();
  if (s0 > 0 && rings_ >= s0) {
    rings_ = 0;
    class2_->commandLine("ATA");
  }
}

void ModemPort::callerId(const std::string& report) {
  if (frozen_) return;
  // One information text: CR LF before and after it, as around a RING.
  modem_.putInfo(report);
}

bool ModemPort::spoilsReceivedFrame(std::span<const uint8_t> frame) {
  if (!spoiler_.active() || !spoiler_.spoils(frame)) return false;
  if (settings_.verbose) {
    std::fprintf(stderr, "%s: bad-fcs: frame %d of the call (FCF 0x%02X) gets a bad FCS\n", settings_.name.c_str(),
                 spoiler_.framesSeen(), frame.size() >= 3 ? frame[2] : 0);
  }
  return true;
}

void ModemPort::raw(std::span<const uint8_t> bytes) {
  ++outputCount_;
  if (mute() || dteLine_ == DteLine::Closed) return;
  // A Class 2 modem passes the page on as it came off the line, errors and all.
  if (class2_ && class2_->deliveringPage()) {
    if (BitNoise* noise = events_.pageNoise(*this, false)) {
      std::string out;
      receiveNoise_.reset();
      receiveNoise_.process(bytes, out, *noise);
      pty_.write(reinterpret_cast<const uint8_t*>(out.data()), out.size());
      return;
    }
  }
  pty_.write(bytes.data(), bytes.size());
}

bool ModemPort::classCommand(std::string_view line, const std::string& normalized) {
  for (const char* name : {"2", "2.0"}) {
    if (normalized != std::string("AT+FCLASS=") + name) continue;
    // Offered only when the class list the fixture reports includes it.
    const std::string classes = "," + settings_.identity.classes + ",";
    if (classes.find(std::string(",") + name + ",") == std::string::npos) return false;
    modem_.echo(line);
    class2_ = std::make_unique<Class2Modem>(static_cast<Class2Modem::Host&>(*this),
                                            name == std::string("2") ? FaxClass::Class2 : FaxClass::Class20,
                                            settings_.linkPath + ".", settings_.verbose);
    modem_.putResult(AT_RESPONSE_CODE_OK);
    return true;
  }
  if (!class2_) return false;
  if (normalized == "AT+FCLASS?") {
    modem_.echo(line);
    modem_.putInfo(class2_->faxClass() == FaxClass::Class2 ? "2" : "2.0");
    modem_.putResult(AT_RESPONSE_CODE_OK);
    return true;
  }
  if (Class2Modem::takes(normalized)) {
    modem_.echo(line);
    class2_->commandLine(normalized);
    return true;
  }
  // Another class, or a reset (Z, &F: +FCLASS=0), leaves Class 2.
  if (!class2_->inCall() && (normalized.rfind("AT+FCLASS=", 0) == 0 || normalized.rfind("ATZ", 0) == 0 ||
                             normalized.rfind("AT&F", 0) == 0)) {
    class2_.reset();
  }
  return false;
}

bool ModemPort::wantsInput() const {
  // Not reading is the flow control a pty has: the DTE's writes wait in the
  // kernel until the modem can take them.
  return dteLine_ != DteLine::Closed && toModem_.empty() && !guard_.holding();
}

void ModemPort::service(int samples) {
  watchDteLine();
  if (class2_ && !frozen_) class2_->service();
  drainToModem();
  if (guard_.holding()) {
    if (holdMark_ < 0) {
      // From before the data that ended with DLE ETX: a Class 2 modem has
      // already answered it (OK or ERROR) by the time the hold begins.
      holdMark_ = outputBeforeData_;
      holdSamples_ = 0;
    }
    holdSamples_ += samples;
    if (outputCount_ > holdMark_ || holdSamples_ > kHoldLimitSamples) {
      holdMark_ = -1;
      guard_.releaseHold(*this);
    }
  } else {
    holdMark_ = -1;
  }
  // Class 2 page data is taken at the line's rate: the modem's buffer is
  // what paces a real DTE.
  const int rate = class2_ ? class2_->pageDataRate() : 0;
  if (rate == 0) {
    pageBudget_ = 0;
  } else {
    pageBudget_ = std::min<long>(pageBudget_ + static_cast<long>(samples) * rate / 64000, 2048);
  }
  uint8_t buffer[512];
  while (wantsInput()) {
    size_t room = sizeof buffer;
    if (rate != 0) {
      if (pageBudget_ <= 0) break;
      room = std::min<size_t>(room, static_cast<size_t>(pageBudget_));
    }
    const size_t n = pty_.read(buffer, room);
    if (rate != 0) pageBudget_ -= static_cast<long>(n);
    if (n == 0) break;
    if (mute()) continue;
    guard_.feed(std::span<const uint8_t>(buffer, n), *this);
    drainToModem();
  }
  pty_.flush();
}

void ModemPort::watchDteLine() {
  const DteLine now = pty_.dteLine();
  if (now == dteLine_) return;
  const DteLine before = dteLine_;
  dteLine_ = now;
  // A dead modem does not see DTR drop: the call goes on until the far end
  // gives up.
  if (frozen_) return;
  if (before == DteLine::Ready) {
    // DTR dropped (B0) or the port closed: hang up, as &D2 asks (V.250
    // clause 6.2.9). On close the modem also returns to its power-on state
    // for the next program.
    events_.portHangsUp(*this);
    modem_.callEvent(AT_CALL_EVENT_HANGUP);
  }
  if (now == DteLine::Closed) {
    toModem_.clear();
    sawFaxSetup_ = false;
    pty_.discardOutput();
    guard_ = DteStreamGuard();
    class2_.reset();
    modem_.reset();
    fastRate_ = 0;
  }
}

void ModemPort::commandLine(std::string_view line) {
  if (frozen_) return;
  const std::string normalized = normalizeCommandLine(line);
  for (const std::string& command : settings_.silentAfter) {
    if (lineHasCommand(normalized, command)) {
      // The modem dies on this line: not carried out, not echoed, not answered.
      frozen_ = true;
      if (settings_.verbose) {
        std::fprintf(stderr, "%s: silent-after: dead from \"%s\" on\n", settings_.name.c_str(), normalized.c_str());
      }
      return;
    }
  }
  if (normalized.find("+FCLASS=1") != std::string::npos || normalized.find("+FCLASS=2") != std::string::npos) {
    sawFaxSetup_ = true;
  }
  fastRate_ = 0;
  for (const char* prefix : {"AT+FTM=", "AT+FRM="}) {
    const std::string_view p(prefix);
    if (normalized.compare(0, p.size(), p) == 0) {
      int code = 0;
      std::from_chars(normalized.data() + p.size(), normalized.data() + normalized.size(), code);
      fastRate_ = rateOfModulation(code);
      fastTransmit_ = p == "AT+FTM=";
    }
  }
  if (const auto answer = answerCommand(normalized, settings_.identity, settings_.errorOn)) {
    modem_.answer(answer->lines, answer->error, line);
    return;
  }
  if (classCommand(line, normalized)) return;
  modem_.commandLine(line);
}

void ModemPort::rejectedLine() {
  if (frozen_) return;
  modem_.answer({}, true, "");
}

void ModemPort::dataToModem(std::span<const uint8_t> bytes) {
  if (frozen_) return;
  outputBeforeData_ = outputCount_;
  if (class2_ && class2_->inputMode() != ModemInputMode::Command) {
    class2_->data(bytes);
    return;
  }
  if (modem_.inputMode() == ModemInputMode::StreamData) {
    if (BitNoise* noise = events_.pageNoise(*this, true)) {
      sendNoise_.process(bytes, toModem_, *noise);
      drainToModem();
      return;
    }
  }
  toModem_.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  drainToModem();
}

void ModemPort::drainToModem() {
  while (!toModem_.empty() && !modem_.flowHeld()) {
    const size_t n = toModem_.size() < kModemChunk ? toModem_.size() : kModemChunk;
    const std::string chunk = toModem_.substr(0, n);
    toModem_.erase(0, n);
    modem_.data(std::span(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size()));
  }
}

void ModemPort::modemOutput(std::span<const uint8_t> bytes) {
  ++outputCount_;
  if (mute() || dteLine_ == DteLine::Closed) return;
  if (modem_.inputMode() == ModemInputMode::Receiving && fastRate_ != 0) {
    if (BitNoise* noise = events_.pageNoise(*this, false)) {
      std::string out;
      receiveNoise_.process(bytes, out, *noise);
      pty_.write(reinterpret_cast<const uint8_t*>(out.data()), out.size());
      return;
    }
  }
  pty_.write(bytes.data(), bytes.size());
}

}  // namespace telvane::vmodem
