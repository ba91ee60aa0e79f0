#include "tools/virtual-modem/virtual_modem.h"

#include <array>
#include <fstream>
#include <iostream>
#include <poll.h>
#include <vector>

#include "tools/virtual-modem/line_pacer.h"

extern "C" {
#include <spandsp.h>
}

namespace telvane::vmodem {

namespace {

constexpr int kSampleRate = 8000;
constexpr int kBlockSamples = 160;  // 20 ms
constexpr long seconds(double s) { return static_cast<long>(s * kSampleRate); }
// Dial tone, dialling and the exchange's connection time before the far
// end's line starts to ring.
constexpr long kDialSamples = seconds(2);
// A busy tone is recognised after a few cadences.
constexpr long kBusySamples = seconds(4);
constexpr long kCleanFastSamples = seconds(2.0);  // V.17 long training (1.4 s) and some TCF
// An incoming call rings at the latest this long after the DTE opened the
// port, even if the program never set the modem up for fax.
constexpr long kSetupWaitSamples = seconds(20);
// The damage that makes a receiver refuse a page: about one bit in a
// hundred, far above the few bad rows T.30 receivers forgive.
constexpr double kRtnBitErrorRate = 1e-2;

uint8_t frameName(uint8_t fcf) { return static_cast<uint8_t>(fcf & 0xFE); }  // without the X bit

PortSettings portSettings(const ModemOptions& options, const std::string& link, const std::string& name,
                          bool withFaults) {
  PortSettings s;
  s.linkPath = link;
  s.identity = options.identity;
  s.verbose = options.verbose;
  s.name = name;
  if (withFaults) {
    s.errorOn = options.faults.errorOn;
    s.silent = options.faults.silent;
    s.silentAfter = options.faults.silentAfter;
    s.badFcs = options.faults.badFcs;
  }
  return s;
}

}  // namespace

VirtualModem::VirtualModem(const ModemOptions& options)
    : options_(options),
      line_(options.lineDelayMs * kSampleRate / 1000, options.faults.seed),
      noise_(options.faults.noiseBitErrorRate, options.faults.seed),
      rtnNoise_(kRtnBitErrorRate, options.faults.seed + 1),
      lineClockStart_(std::time(nullptr)) {
  first_ = std::make_unique<ModemPort>(portSettings(options, options.port, "modem", true),
                                        static_cast<PortEvents&>(*this));
  if (options.farEnd == FarEndRole::Modem) {
    second_ = std::make_unique<ModemPort>(portSettings(options, options.secondPort, "second modem", false),
                                          static_cast<PortEvents&>(*this));
  }
}

VirtualModem::~VirtualModem() = default;

int VirtualModem::open(std::string& error) {
  if (first_->open(error) != 0) return -1;
  if (second_ && second_->open(error) != 0) return -1;
  return 0;
}

int VirtualModem::run(const std::atomic<bool>& stop) {
  LinePacer pacer(std::chrono::microseconds(1000000 * kBlockSamples / kSampleRate), options_.speed);
  while (!stop.load()) {
    std::vector<pollfd> fds;
    for (ModemPort* port : {first_.get(), second_.get()}) {
      if (port && port->wantsInput()) fds.push_back({port->fd(), POLLIN, 0});
    }
    // A far-end terminal keeps no wall-clock time, so a Class 2 modem may
    // run its collected transmission as fast as the machine allows.
    const bool hurry = farEnd_ && first_->catchingUp();
    ::poll(fds.data(), fds.size(), hurry ? 0 : pacer.millisecondsToNextBlock());
    for (ModemPort* port : {first_.get(), second_.get()}) {
      if (port) port->service(0);
    }
    for (int n = 0; n < 50 && (hurry || pacer.millisecondsToNextBlock() == 0); ++n) {
      block();
      pacer.blockDone();
    }
    if (hurry) pacer.restart();
    // Done once the program has also let go of the port, so its own
    // clean-up after the call still finds a modem.
    const bool released = first_->dteLine() == DteLine::Closed && (!second_ || second_->dteLine() == DteLine::Closed);
    if (options_.calls > 0 && callsDone_ >= options_.calls && state_ == CallState::Idle && released) return 0;
  }
  return 0;
}

void VirtualModem::block() {
  for (ModemPort* port : {first_.get(), second_.get()}) {
    if (port) port->service(kBlockSamples);
  }
  advanceCall();

  std::array<int16_t, kBlockSamples> a{};
  std::array<int16_t, kBlockSamples> b{};
  first_->transmit(a);
  if (state_ == CallState::Connected && first_->lineActive()) {
    if (farEnd_) farEnd_->transmit(b);
    else if (second_) second_->transmit(b);
    // A line that cannot carry fast modulations above the limit: whatever
    // the program's modem sends or expects at such a rate is lost in noise.
    const int limit = options_.faults.maxTrainingRate;
    const bool tooFast = limit > 0 && first_->fastRate() > limit;
    tooFastSamples_ = tooFast ? tooFastSamples_ + kBlockSamples : 0;
    // A Class 2 modem's own T.30 engine steps down only on FTT, which a
    // receiver sends only for a training check it heard and found bad: the
    // signal goes bad after the long training and part of the check.
    const bool garbled = tooFast && (first_->class1() || tooFastSamples_ >= kCleanFastSamples);
    line_.setGarbled(garbled && first_->fastTransmit(), garbled && !first_->fastTransmit());
    line_.carry(a, b);
    first_->receive(b);
    if (farEnd_) farEnd_->receive(a);
    else if (second_) second_->receive(a);
  } else {
    std::array<int16_t, kBlockSamples> silence{};
    first_->receive(silence);
    if (second_) {
      second_->transmit(b);
      second_->receive(silence);
    }
  }
  stateSamples_ += kBlockSamples;
  lineSamples_ += kBlockSamples;

  if (state_ == CallState::Connected && carrierDropAt_ >= 0 && stateSamples_ >= carrierDropAt_) {
    carrierDropAt_ = -1;
    dropLine();
  }
  if (farEnd_ && farEnd_->outcome().finished && !reported_) report("");
  // A dead modem never hangs up: the call ends with the far end's.
  if (farEnd_ && farEnd_->outcome().finished && first_->frozen() && state_ == CallState::Connected) endCall("");
  if (hangingUp_ && state_ == CallState::Connected && stateSamples_ >= releaseAt_) finishModemHangup();
}

void VirtualModem::advanceCall() {
  const FaultPlan& faults = options_.faults;
  switch (state_) {
    case CallState::Idle: {
      if (first_->dteLine() != DteLine::Ready) {
        setupSamples_ = 0;
        sinceSetup_ = 0;
        return;
      }
      setupSamples_ += kBlockSamples;
      if (first_->sawFaxSetup()) sinceSetup_ += kBlockSamples;
      const bool callsLeft = options_.calls == 0 || callsDone_ < options_.calls;
      // The first RING waits for the program's fax set-up: a T.31 modem
      // rung before AT+FCLASS=1 answers as a data modem.
      const bool setUp = sinceSetup_ >= seconds(options_.incomingAfter) ||
                         setupSamples_ >= kSetupWaitSamples + seconds(options_.incomingAfter);
      if (options_.farEnd == FarEndRole::Sender && callsLeft && setUp) startIncomingCall();
      return;
    }
    case CallState::Dialling: {
      if (second_) {
        if (stateSamples_ >= kDialSamples) {
          called_ = otherPort(*caller_);
          state_ = CallState::Ringing;
          stateSamples_ = 0;
          ringsSent_ = 0;
          callerIdSent_ = false;
        }
        return;
      }
      switch (faults.dial) {
        case DialOutcome::NoDialTone:
          if (stateSamples_ >= kDialSamples) {
            caller_->callEvent(AT_CALL_EVENT_NO_DIALTONE);
            endCall("NO_DIALTONE");
          }
          return;
        case DialOutcome::Busy:
          if (stateSamples_ >= kBusySamples) {
            caller_->callEvent(AT_CALL_EVENT_BUSY);
            endCall("BUSY");
          }
          return;
        case DialOutcome::NoAnswer:
          if (stateSamples_ >= kDialSamples + options_.rings * seconds(options_.ringInterval)) {
            caller_->callEvent(AT_CALL_EVENT_NO_ANSWER);
            endCall("NO_ANSWER");
          }
          return;
        case DialOutcome::Connect:
          if (stateSamples_ >= kDialSamples + options_.answerAfterRings * seconds(options_.ringInterval)) connect();
          return;
      }
      return;
    }
    case CallState::Ringing:
      if (stateSamples_ >= ringsSent_ * seconds(options_.ringInterval)) {
        if (ringsSent_ >= options_.rings) {
          if (caller_) caller_->callEvent(AT_CALL_EVENT_NO_ANSWER);
          called_->callEvent(AT_CALL_EVENT_HANGUP);
          endCall(caller_ ? "NO_ANSWER" : "NO_CALL");
          return;
        }
        ++ringsSent_;
        called_->callEvent(AT_CALL_EVENT_ALERTING);
      }
      // The exchange sends caller ID in the silence after the first ring
      // (Bellcore GR-30 puts it between 0.5 s after that ring and 0.5 s
      // before the next); the modem reports it when it has heard it all.
      if (options_.callerId && ringsSent_ == 1 && !callerIdSent_ &&
          stateSamples_ >= seconds(options_.ringInterval) / 2) {
        callerIdSent_ = true;
        called_->callerId(callerIdReport(*options_.callerId, lineClock()));
      }
      return;
    case CallState::Connected:
      return;
  }
}

void VirtualModem::startIncomingCall() {
  caller_ = nullptr;
  called_ = first_.get();
  state_ = CallState::Ringing;
  stateSamples_ = 0;
  ringsSent_ = 0;
  callerIdSent_ = false;
}

std::tm VirtualModem::lineClock() const {
  const std::time_t now = lineClockStart_ + static_cast<std::time_t>(lineSamples_ / kSampleRate);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

void VirtualModem::connect() {
  line_.reset();
  mcfCount_ = 0;
  lastFarFrame_ = 0;
  farSentDis_ = false;
  rtnDone_ = false;
  carrierDropAt_ = -1;
  reported_ = false;
  hangingUp_ = nullptr;
  state_ = CallState::Connected;
  stateSamples_ = 0;
  if (second_) {
    caller_->callEvent(AT_CALL_EVENT_CONNECTED);
    called_->callEvent(AT_CALL_EVENT_ANSWERED);
    return;
  }
  FarEndConfig config;
  config.calling = caller_ == nullptr;
  config.sendFiles = options_.sendFiles;
  config.receiveFile = options_.receiveFile;
  config.ident = options_.remoteId;
  config.nsf = options_.remoteNsf;
  config.ecm = options_.remoteEcm;
  config.maxRate = options_.remoteMaxRate;
  config.verbose = options_.verbose;
  first_->setRemote({config.ident, config.maxRate, config.ecm});
  farEnd_ = std::make_unique<FarEndTerminal>(config, static_cast<FarEndTerminal::Observer&>(*this));
  first_->callEvent(config.calling ? AT_CALL_EVENT_ANSWERED : AT_CALL_EVENT_CONNECTED);
}

void VirtualModem::dropLine() {
  line_.setDead(true);
  if (farEnd_) farEnd_->hangUp();
}

void VirtualModem::portDials(ModemPort& port, std::string_view) {
  if (state_ != CallState::Idle) {
    // The line is in use (the other modem is ringing or talking).
    port.callEvent(AT_CALL_EVENT_BUSY);
    return;
  }
  caller_ = &port;
  called_ = nullptr;
  state_ = CallState::Dialling;
  stateSamples_ = 0;
}

void VirtualModem::portAnswers(ModemPort& port) {
  if (state_ == CallState::Ringing && &port == called_) {
    connect();
    return;
  }
  // ATA with nothing ringing: the modem listens, hears no fax and gives up.
  port.callEvent(AT_CALL_EVENT_HANGUP);
}

void VirtualModem::portHangsUp(ModemPort& port) {
  if (state_ == CallState::Idle) return;
  if (&port != caller_ && &port != called_) return;
  if (state_ == CallState::Ringing && &port == called_ && caller_ == nullptr && ringsSent_ < options_.rings) {
    // ATH while the phone rings (the program refusing a call, or its
    // set-up resetting the modem) does not stop the ringing.
    return;
  }
  if (second_ && state_ == CallState::Connected) {
    // The other modem hears the line drop only after the audio already on
    // its way (the last frame, often DCN) has reached it.
    if (!hangingUp_) {
      hangingUp_ = &port;
      releaseAt_ = stateSamples_ + seconds(0.5);
      return;
    }
    if (hangingUp_ == &port) return;
    // Both have hung up: nobody is left to tell.
    hangingUp_ = nullptr;
    endCall("");
    return;
  }
  if (farEnd_) farEnd_->hangUp();
  endCall(state_ == CallState::Connected ? "" : "ABORTED");
}

void VirtualModem::finishModemHangup() {
  // The call ends before the other modem is told, so its own hang-up
  // report finds no call instead of re-entering this one.
  ModemPort* other = otherPort(*hangingUp_);
  hangingUp_ = nullptr;
  endCall("");
  other->callEvent(AT_CALL_EVENT_HANGUP);
}

BitNoise* VirtualModem::pageNoise(ModemPort& port, bool sending) {
  if (&port != first_.get() || !farEnd_ || state_ != CallState::Connected) return nullptr;
  if (!port.class1() && !sending) {
    // A Class 2/2.0 modem hands the far end's pages over whole, so the
    // phase of the call does not matter here.
    return farEnd_->calling() && noise_.active() ? &noise_ : nullptr;
  }
  // Page data follows CFR (after training) or MCF (after the last page);
  // the fast data after DCS is the training check, which is left alone.
  if (lastFarFrame_ != T30_CFR && lastFarFrame_ != T30_MCF) return nullptr;
  const bool farEndReceives = !farEnd_->calling();
  if (sending != farEndReceives) return nullptr;
  if (sending && options_.faults.rtnPage == pageIndex() && !rtnDone_) return &rtnNoise_;
  return noise_.active() ? &noise_ : nullptr;
}

void VirtualModem::farEndFrame(bool received, uint8_t fcf) {
  const uint8_t frame = frameName(fcf);
  lastFarFrame_ = frame;
  if (!received && frame == T30_DIS) farSentDis_ = true;
  if (frame == T30_MCF) {
    ++mcfCount_;
    if (mcfCount_ >= options_.faults.rtnPage) rtnDone_ = true;
  }
  if (!received && frame == T30_RTN) rtnDone_ = true;

  const FaultPlan& faults = options_.faults;
  // These run from inside the far end's T.30 engine, so the line is
  // dropped on the next block rather than here.
  if (faults.hangupAfterDis &&
      ((received && farSentDis_ && frame != T30_DIS) || (received && frame == T30_DIS && farEnd_->calling()))) {
    carrierDropAt_ = stateSamples_;
  }
  if (faults.carrierLostPage > 0 && (frame == T30_CFR || frame == T30_MCF) && pageIndex() == faults.carrierLostPage) {
    // About two seconds into the page: a frame sent by the far end still
    // has its second of V.21 to go; a received one is already over.
    carrierDropAt_ = stateSamples_ + seconds(received ? 2 : 3);
  }
}

void VirtualModem::endCall(const std::string& result) {
  if (!reported_) report(result);
  farEnd_.reset();
  hangingUp_ = nullptr;
  state_ = CallState::Idle;
  caller_ = called_ = nullptr;
  stateSamples_ = 0;
  sinceSetup_ = 0;
  ++callsDone_;
  line_.reset();
  first_->clearFaxSetup();
}

void VirtualModem::report(const std::string& result) {
  reported_ = true;
  CallReport r;
  r.role = second_ ? "modem" : (farEnd_ && farEnd_->calling()) || (!farEnd_ && caller_ == nullptr) ? "sender"
                                                                                                    : "receiver";
  if (farEnd_) {
    const FarEndOutcome& o = farEnd_->outcome();
    r.code = o.code;
    r.message = o.message;
    r.pages = o.pages;
    r.rate = o.bitRate;
    r.yResolution = o.yResolution;
    r.width = o.width;
    r.ecm = o.ecm;
    r.remoteId = o.remoteId;
    if (!farEnd_->calling()) r.file = options_.receiveFile;
    r.result = result.empty() ? (o.code == 0 ? "OK" : "FAILED") : result;
  } else {
    r.result = result.empty() ? "ENDED" : result;
    r.message = r.result;
  }
  const std::string text = formatCallReport(r);
  std::cout << text << std::endl;
  if (!options_.resultFile.empty()) {
    std::ofstream out(options_.resultFile, std::ios::app);
    out << text << '\n';
  }
}

ModemPort* VirtualModem::otherPort(ModemPort& port) {
  if (!second_) return nullptr;
  return &port == first_.get() ? second_.get() : first_.get();
}

}  // namespace telvane::vmodem
