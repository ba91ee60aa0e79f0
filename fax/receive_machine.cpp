#include "fax/receive_machine.h"

#include <algorithm>

#include "serial/base_dispatcher.h"

namespace telvane {
namespace {

using t30::ModemResponse;
namespace fcf = t30::fcf;

constexpr FaxStateInfo kReceiveStates[] = {
    {"rfNone", Awaits::Nothing, "rfInit"},
    {"rfInit", Awaits::Nothing, "rf1Init1 rf2Init1"},
    {"rf1Init1", Awaits::Response, "rfWaiting"},
    {"rf2Init1", Awaits::Response, "rf2Init2"},
    {"rf2Init1A", Awaits::Response, "rf2Init1B"},
    {"rf2Init1B", Awaits::Response, "rf2Init3"},
    {"rf2Init2", Awaits::Response, "rf2Init1A rf2Init3"},
    {"rf2Init3", Awaits::Response, "rfWaiting"},
    {"rfWaiting", Awaits::Response, "rfAnswer"},
    {"rfAnswer", Awaits::Nothing, "rf1SendCSI rf2ValCnnct"},
    {"rf1SendCSI", Awaits::Response, "rf1SendDIS rf1CollRtry1"},
    {"rf1SendDIS", Awaits::Response, "rf1CollFrms"},
    {"rf1CollFrms", Awaits::Response, "rf1StrtTrn rf1CollRtry1"},
    {"rf1CollRtry1", Awaits::Nothing, "rf1CollRtry2"},
    {"rf1CollRtry2", Awaits::Response, "rf1SendCSI"},
    {"rf1StrtTrn", Awaits::Response, "rf1CollTrn rf1CollFrms"},
    {"rf1CollTrn", Awaits::Raw, "rf1FinTrn rf1Retrain"},
    {"rf1Timeout", Awaits::Nothing, ""},
    {"rf1Retrain", Awaits::Response, "rf1CollFrms"},
    {"rf1FinTrn", Awaits::Response, "rf1SendCFR"},
    {"rf1SendCFR", Awaits::Response, "rf1WtPgCnnct"},
    {"rf1WtPgCnnct", Awaits::Response, "rfStartPage rf1CollFrms"},
    {"rf2ValCnnct", Awaits::Response, "rf2GtSndID"},
    {"rf2GtSndID", Awaits::Response, "rf2GtCnnct"},
    {"rf2GtCnnct", Awaits::Response, "rfStartPage"},
    {"rfStartPage", Awaits::Nothing, "rfGtPgDta"},
    {"rfGtPgDta", Awaits::Raw, "rf1FinPage rf2GtPgRslt"},
    {"rf1FinPage", Awaits::Response, "rf1WaitEOP"},
    {"rf1WaitEOP", Awaits::Response, "rf1WritePage"},
    {"rf1WritePage", Awaits::Nothing, "rf1SendMCF"},
    {"rf1SendMCF", Awaits::Response, "rf1WtPgCnnct rf1SendCSI rf1WaitDCN rf1CollFrms"},
    {"rf1WaitDCN", Awaits::Response, "rf1WtHngp rf1SendMCF rfComplete"},
    {"rf1WtHngp", Awaits::Response, "rfComplete"},
    {"rf2GtPgRslt", Awaits::Response, "rf2GtCnnct rf2GetFHNG rfComplete"},
    {"rf2GetFHNG", Awaits::Response, "rfComplete"},
    {"rfComplete", Awaits::Nothing, "rfDone rfInit"},
    {"rfAbort", Awaits::Trigger, "rfAbortHungUp"},
    {"rfDone", Awaits::Trigger, ""},
    {"rfAbortHungUp", Awaits::Nothing, "rfDone rfInit"},
};
static_assert(std::size(kReceiveStates) == rfReceiveStateCount, "one name per receive state");

constexpr uint8_t kDle = 0x10;
constexpr uint8_t kEtx = 0x03;
constexpr uint8_t kSub = 0x1A;
constexpr int kTurnaroundMs = 100;           // T.30 5.3.2.4: 75 ms ± 20 before answering
// While waiting for a command (DCS, the post-page message, DCN) the called
// station listens for T2, 6 s (T.30 5.4.3.2): a caller that heard nothing
// it understood repeats its command after its own T4 of 3 s.
constexpr int32_t kFrameTicks = 109;
constexpr int32_t kHangupTicks = 54;
constexpr int kMaxRetries = 3;
constexpr int kReadChunk = 1024;

}  // namespace

ReceiveMachine::ReceiveMachine(TKovaBaseDispatcher& port, std::shared_ptr<FaxMachineHost> host,
                               FaxSessionSettings settings, ReceiveSettings receive)
    : FaxMachine(port, std::move(host), std::move(settings)), receive_(receive) {}

std::span<const FaxStateInfo> ReceiveMachine::states() const { return kReceiveStates; }

void ReceiveMachine::firstStep() {
  updateInfo([](FaxStatusInfo& info) {
    info.sending = false;
    info.dialAttempt = 1;
  });
  setState(rfInit);
}

std::string ReceiveMachine::pageModulation() const { return std::string(dcs_.pageModulation); }

void ReceiveMachine::step(const FaxEvent& event) {
  if (event.input == FaxInput::Abort) {
    if (state_ == rfDone || state_ == rfAbort || state_ == rfAbortHungUp) return;
    userCancel_ = true;
    setStatus(fpCancel);
    notifyError(ecCancelRequested);
    abortCall();
    return;
  }
  if (event.input == FaxInput::TimeOut && onTimeOut()) return;
  const bool line = event.input == FaxInput::Line;
  const ModemResponse r = event.response;
  // ERROR ends a call in every state but those that judge a frame (the
  // collector turns an ERROR after a frame into BadFrame).
  if (line && r == ModemResponse::Error && state_ != rfWaiting && state_ != rf2GtPgRslt && state_ != rf2GetFHNG) {
    fail(ecFaxBadModemResult);
    return;
  }
  // A Class 2/2.0 modem that hangs up outside the post-page exchange ended
  // the call under us; the code says why.
  if (line && r == ModemResponse::Hangup && state_ != rf2GtPgRslt && state_ != rf2GetFHNG) {
    keepHangupCode(event.line);
    fail(ecFaxSessionError);
    return;
  }

  switch (state_) {
    case rfNone:
    case rfDone:
    case rfAbort:
      break;
    case rfInit:
      rings_ = 0;
      retries_ = 0;
      hangupCode_.clear();
      pageStatus_ = postPage_ = -1;
      remoteId_.clear();
      haveDcs_ = false;
      confirmedPages_ = 0;
      page_ = 0;
      faxReceived_ = false;
      updateInfo([](FaxStatusInfo& info) {
        info.remoteId.clear();
        info.faxFile.clear();
        info.currentPage = 0;
        info.totalPages = 0;
        info.bps = 0;
        info.hangupCode.clear();
      });
      if (receive_.constantStatus) notifyStatus();
      port().SetDtrLine(true);
      port().SetRtsLine(true);
      if (class2()) {
        sendCommand(words().selectClass);
        setState(rf2Init1);
        break;
      }
      sendCommand("AT+FCLASS=1");
      setState(rf1Init1);
      break;
    case rf1Init1:
      if (!line) break;
      if (r == ModemResponse::Ok) {
        stopTimeout();
        setStatus(fpWaiting, true);
        setState(rfWaiting);
      } else {
        fail(ecFaxInitError);
      }
      break;
    case rfWaiting:
      if (line) onWaitingLine(event);
      break;
    case rfAnswer:
      sendCommand("ATA", receive_.answerWaitTicks);
      setStatus(fpAnswer, true);
      setState(class2() ? rf2ValCnnct : rf1SendCSI);
      break;
    case rf1SendCSI:
      if (!line) break;
      if (r == ModemResponse::Connect) {
        // T.31 8.3.2: after ATA the modem is already transmitting V.21.
        sendFrame(fcf::CSI, t30::EncodeIdent(settings_.stationId), false);
        setState(rf1SendDIS);
      } else if (r == ModemResponse::NoCarrier) {
        fail(ecFaxNoCarrier);
      }
      break;
    case rf1SendDIS:
      if (!line) break;
      if (r == ModemResponse::Connect) {
        t30::DisOffer offer;
        offer.rates = settings_.localRates;
        const int maxIndex = std::max(1, t30::RateIndexOfBps(settings_.desiredBps));
        for (int i = maxIndex + 1; i <= t30::kMaxRateIndex; ++i) offer.rates[i] = false;
        sendFrame(fcf::DIS, t30::EncodeDis(offer), true);
      } else if (r == ModemResponse::Ok) {
        // The final frame is out: listen for the caller's answer at once.
        receiveFrame(kFrameTicks);
        setState(rf1CollFrms);
      } else if (r == ModemResponse::NoCarrier) {
        fail(ecFaxNoCarrier);
      }
      break;
    case rf1CollFrms:
      onPhaseBFrame(event);
      break;
    case rf1CollRtry1:
      if (++retries_ > kMaxRetries) {
        fail(ecTimeout);
        break;
      }
      sendCommand("AT");
      setState(rf1CollRtry2);
      break;
    case rf1CollRtry2:
      if (line) {
        sendCommand("AT+FTH=3");
        setState(rf1SendCSI);
      }
      break;
    case rf1StrtTrn:
      if (!line) break;
      if (r == ModemResponse::Connect) {
        tcfBytes_ = tcfNonZero_ = 0;
        afterDle_ = false;
        armTimeout(kResponseTicks);
        setState(rf1CollTrn);
      } else {
        // No training carrier (a +FCERROR that stayed, NO CARRIER): the
        // caller repeats its DCS; listen for it.
        receiveFrame(kFrameTicks);
        setState(rf1CollFrms);
      }
      break;
    case rf1CollTrn:
      if (event.input == FaxInput::Data) collectTraining();
      break;
    case rf1Timeout:
      fail(ecTimeout);
      break;
    case rf1Retrain:
      if (!line) break;
      if (r == ModemResponse::Connect) {
        sendFrame(fcf::FTT, {}, true);
      } else if (r == ModemResponse::Ok) {
        if (dcs_.params.rateIndex <= t30::kMinRateIndex) {
          fail(ecFaxTrainError);
          break;
        }
        haveDcs_ = false;
        receiveFrame(kFrameTicks);
        setState(rf1CollFrms);
      }
      break;
    case rf1FinTrn:
      if (line && (r == ModemResponse::NoCarrier || r == ModemResponse::Ok)) acceptCall();
      break;
    case rf1SendCFR:
      if (!line) break;
      if (r == ModemResponse::Connect) {
        sendFrame(fcf::CFR, {}, true);
      } else if (r == ModemResponse::Ok) {
        // The caller's page carrier follows 75 ms after CFR: listen now.
        connectTries_ = 0;
        sendCommand("AT+FRM=" + pageModulation());
        setState(rf1WtPgCnnct);
      }
      break;
    case rf1WtPgCnnct:
      if (!line) break;
      if (r == ModemResponse::Connect) {
        setStatus(fpSessionParams);
        setState(rfStartPage);
      } else if (r == ModemResponse::FcError) {
        // Still V.21 after the retries: the caller repeats its DCS.
        receiveFrame(kFrameTicks);
        setState(rf1CollFrms);
      } else if (r == ModemResponse::NoCarrier && ++connectTries_ <= kMaxRetries) {
        sendCommand("AT+FRM=" + pageModulation());
      } else if (r == ModemResponse::NoCarrier) {
        fail(ecFaxNoCarrier);
      }
      break;
    case rfStartPage: {
      ++page_;
      if (!file_.isOpen()) {
        acceptCall();  // a new document after EOM opens its file here
        if (!file_.isOpen()) break;
      }
      if (int rc = file_.beginPage(dcs_.params.fine, dcs_.params.wide); rc < 0) {
        fail(rc);
        break;
      }
      afterDle_ = false;
      armTimeout(kResponseTicks);
      if (class2()) {
        // EIA-592/T.32: DC2 tells the modem the host is ready for data.
        const uint8_t dc2 = 0x12;
        sendBytes(std::span(&dc2, 1));
      }
      updateInfo([&](FaxStatusInfo& info) {
        info.currentPage = file_.pages() + 1;
        info.bytesTransferred = 0;
        info.pageLength = 0;
      });
      setStatus(fpGetPage);
      pageFlow(true, true);
      setState(rfGtPgDta);
      break;
    }
    case rfGtPgDta:
      if (event.input == FaxInput::Data) receivePageData();
      break;
    case rf1FinPage:
      if (line && (r == ModemResponse::NoCarrier || r == ModemResponse::Ok)) {
        receiveFrame(kFrameTicks);
        setState(rf1WaitEOP);
      }
      break;
    case rf1WaitEOP:
      onPostPageFrame(event);
      break;
    case rf1WritePage:
      writePage();
      break;
    case rf1SendMCF:
      if (!line) break;
      if (r == ModemResponse::Connect) {
        // Always a final frame: the MCF is the whole answer, also to EOM.
        sendFrame(answer_, {}, true);
      } else if (r == ModemResponse::Ok) {
        onMcfSent();
      }
      break;
    case rf1WaitDCN:
      if (event.input == FaxInput::Frame) {
        const uint8_t kind = event.frame.kind();
        if (kind == fcf::DCN) {
          sendCommand("ATH", kHangupTicks);
          setState(rf1WtHngp);
        } else if (kind == fcf::EOP || kind == fcf::PRI_EOP) {
          // Our MCF was lost and the caller repeats its EOP: answer again.
          sendAfter(kTurnaroundMs, "AT+FTH=3");
          setState(rf1SendMCF);
        } else {
          receiveFrame(kFrameTicks);
        }
      } else if (event.input == FaxInput::BadFrame ||
                 (line && r == ModemResponse::NoCarrier)) {
        receiveFrame(kFrameTicks);
      }
      break;
    case rf1WtHngp:
      if (line) {
        stopTimeout();
        setStatus(fpGotHangup);
        setState(rfComplete);
      }
      break;
    case rfComplete:
      stopTimeout();
      if (receive_.oneFax) {
        if (!receive_.constantStatus) notifyStatus(false, true);
        setState(rfDone);
        finish(faxReceived_ ? 0 : lastError_);
      } else {
        if (!receive_.constantStatus) notifyStatus(false, true);
        setState(rfInit);
      }
      break;
    case rfAbortHungUp:
      if (!receive_.constantStatus || userCancel_) notifyStatus(false, true);
      if (settings_.exitOnError || userCancel_ || receive_.oneFax) {
        setState(rfDone);
        finish(lastError_);
      } else {
        setState(rfInit);
      }
      break;
    default:
      stepClass2(event);
      break;
  }
}

// Class 2 delivers received page data most significant bit first
// (EIA-592 as the modems built it); the file, like Class 1 and 2.0, holds
// the first bit in the least significant one.
uint8_t ReceiveMachine::stored(uint8_t byte) const {
  if (settings_.faxClass != fcClass2) return byte;
  byte = static_cast<uint8_t>((byte & 0xF0) >> 4 | (byte & 0x0F) << 4);
  byte = static_cast<uint8_t>((byte & 0xCC) >> 2 | (byte & 0x33) << 2);
  return static_cast<uint8_t>((byte & 0xAA) >> 1 | (byte & 0x55) << 1);
}

bool ReceiveMachine::onTimeOut() {
  switch (state_) {
    case rfWaiting:
    case rfNone:
    case rfDone:
    case rfAbort:
    case rfAbortHungUp:
      return true;
    case rf1SendCSI:
      if (retries_ > 0) setState(rf1CollRtry1);
      else fail(ecTimeout);
      return true;
    case rf1CollFrms:
      setState(rf1CollRtry1);
      return true;
    case rf1WaitDCN:
    case rf2GetFHNG:
      setState(rfComplete);
      return true;
    case rf1WtHngp:
      beginHangup(rfComplete, DataPhase::None);
      return true;
    case rf1CollTrn:
    case rfGtPgDta:
      fail(ecTimeout);
      return true;
    default:
      fail(ecTimeout);
      return true;
  }
}

// ---- waiting and answering

void ReceiveMachine::onWaitingLine(const FaxEvent& event) {
  switch (event.response) {
    case ModemResponse::Ring:
      if (++rings_ >= receive_.answerOnRing) {
        notifyStatus();
        setState(rfAnswer);
      }
      break;
    case ModemResponse::NoCarrier:
      setStatus(fpNoConnect, true);  // a call that went away; the count goes on
      break;
    case ModemResponse::Connect:
      fail(ecFaxDataCall);
      break;
    case ModemResponse::Voice:
      fail(ecFaxVoiceCall);
      break;
    default:
      break;  // caller ID, stray results
  }
}

// ---- phase B

void ReceiveMachine::onPhaseBFrame(const FaxEvent& event) {
  if (event.input == FaxInput::BadFrame) {
    receiveFrame(kFrameTicks);  // the caller repeats its command (T.30 5.4.2)
    return;
  }
  if (event.input == FaxInput::Line) {
    if (event.response == ModemResponse::NoCarrier) receiveFrame(kFrameTicks);
    return;
  }
  if (event.input != FaxInput::Frame) return;
  const t30::ParsedFrame& frame = event.frame;
  switch (frame.kind()) {
    case fcf::TSI:
      remoteId_ = t30::DecodeIdent(frame.info);
      updateInfo([&](FaxStatusInfo& info) { info.remoteId = remoteId_; });
      setStatus(fpGotRemoteID);
      break;
    case fcf::DCS:
      dcs_ = t30::DecodeDcs(frame.info);
      if (!dcs_.params.valid) break;
      haveDcs_ = true;
      updateInfo([&](FaxStatusInfo& info) {
        info.bps = t30::RateByIndex(dcs_.params.rateIndex)->bps;
        info.fine = dcs_.params.fine;
        info.wide = dcs_.params.wide;
      });
      setStatus(fpSessionParams);
      break;
    case fcf::DCN:
      fail(ecCancelRequested);
      return;
    default:
      break;  // NSS, an echo of our own DIS, ...
  }
  if (!frame.final || !haveDcs_) {
    receiveFrame(kFrameTicks);
    return;
  }
  // The TCF follows the DCS 75 ms later: the receive command goes at once.
  sendCommand("AT+FRM=" + std::string(dcs_.trainingModulation));
  setState(rf1StrtTrn);
}

void ReceiveMachine::collectTraining() {
  // Byte by byte: what follows DLE ETX (the modem's NO CARRIER) stays for
  // the collector.
  uint8_t b = 0;
  bool any = false;
  while (takeBytes(&b, 1) == 1) {
    any = true;
    if (afterDle_) {
      afterDle_ = false;
      if (b == kEtx) {
        judgeTraining();
        return;
      }
      ++tcfBytes_;
      if (b == kDle) ++tcfNonZero_;
      continue;
    }
    if (b == kDle) {
      afterDle_ = true;
      continue;
    }
    ++tcfBytes_;
    if (b != 0) ++tcfNonZero_;
  }
  if (any) armTimeout(kResponseTicks);
}

void ReceiveMachine::judgeTraining() {
  // Fewer than 10 % of the bytes may be non-zero; and at least half a
  // second of the 1.5 s must have arrived, so a carrier that came up and
  // went is no training (nothing counted is not "0 % bad").
  const int bps = t30::RateByIndex(dcs_.params.rateIndex)->bps;
  const uint64_t minimum = static_cast<uint64_t>(bps) / 8 / 2;
  const bool passed = tcfBytes_ >= minimum && tcfNonZero_ * 100 / std::max<uint64_t>(tcfBytes_, 1) < 10;
  logNote("training check: " + std::to_string(tcfNonZero_) + " of " + std::to_string(tcfBytes_) +
          " bytes non-zero: " + (passed ? "passed" : "failed"));
  if (passed) {
    armTimeout(kResponseTicks);
    setState(rf1FinTrn);
  } else {
    sendAfter(kTurnaroundMs, "AT+FTH=3");
    setState(rf1Retrain);
  }
}

// Training passed. Before CFR goes out (and the page data with it), the
// call is accepted or refused and the file exists, so no page byte arrives
// while the engine is waiting for its component.
void ReceiveMachine::acceptCall() {
  if (!file_.isOpen()) {
    if (!host_->machineAccept(remoteId_)) {
      notifyError(ecFileRejected);
      notifyLog(lfaxReceiveSkip);
      setState(rfAbort);
      beginHangup(rfAbortHungUp, DataPhase::None);
      return;
    }
    const std::string name = host_->machineFaxName();
    if (name.empty()) {
      fail(ecNoFilename);
      return;
    }
    if (int rc = file_.create(name, remoteId_); rc < 0) {
      fail(rc);
      return;
    }
    confirmedPages_ = 0;
    updateInfo([&](FaxStatusInfo& info) { info.faxFile = name; });
    notifyLog(lfaxReceiveStart);
  }
  if (state_ == rf1FinTrn) {
    sendAfter(kTurnaroundMs, "AT+FTH=3");
    setState(rf1SendCFR);
  }
}

// ---- pages

void ReceiveMachine::receivePageData() {
  // Byte by byte up to DLE ETX, so what follows it stays for the collector.
  uint8_t out[kReadChunk + 2];
  size_t length = 0;
  bool ended = false, any = false;
  uint8_t b = 0;
  while (!ended && takeBytes(&b, 1) == 1) {
    any = true;
    if (afterDle_) {
      afterDle_ = false;
      if (b == kEtx) {
        ended = true;
      } else if (b == kDle) {
        out[length++] = stored(kDle);
      } else if (b == kSub) {  // T.31 double escape: two DLEs
        out[length++] = stored(kDle);
        out[length++] = stored(kDle);
      }
      // DLE with any other byte: dropped (T.31 8.3.4).
    } else if (b == kDle) {
      afterDle_ = true;
    } else {
      out[length++] = stored(b);
    }
    if (length >= kReadChunk || ended) {
      if (int rc = file_.write(out, length); rc < 0) {
        fail(rc);
        return;
      }
      length = 0;
    }
  }
  if (length > 0) {
    if (int rc = file_.write(out, length); rc < 0) {
      fail(rc);
      return;
    }
  }
  if (!any) return;
  armTimeout(kResponseTicks);
  updateInfo([&](FaxStatusInfo& info) { info.bytesTransferred = static_cast<long>(file_.pageBytes()); });
  if (ended) {
    pageFlow(false, true);
    setStatus(fpGetPage);
    if (class2()) {
      pageStatus_ = -1;
      setState(rf2GtPgRslt);
    } else {
      setState(rf1FinPage);
    }
  }
}

void ReceiveMachine::onPostPageFrame(const FaxEvent& event) {
  if (event.input == FaxInput::BadFrame ||
      (event.input == FaxInput::Line && event.response == ModemResponse::NoCarrier)) {
    receiveFrame(kFrameTicks);
    return;
  }
  if (event.input != FaxInput::Frame) return;
  const t30::ParsedFrame& frame = event.frame;
  if (!frame.final) {
    receiveFrame(kFrameTicks);
    return;
  }
  switch (frame.kind()) {
    case fcf::MPS:
    case fcf::PRI_MPS:
      morePages_ = true;
      newDocument_ = false;
      break;
    case fcf::EOM:
    case fcf::PRI_EOM:
      morePages_ = true;
      newDocument_ = true;
      break;
    case fcf::EOP:
    case fcf::PRI_EOP:
      morePages_ = false;
      newDocument_ = false;
      break;
    case fcf::DCN:
      fail(ecCancelRequested);
      return;
    default:
      receiveFrame(kFrameTicks);
      return;
  }
  lastPpm_ = frame.kind();
  setStatus(fpGetPageResult);
  setState(rf1WritePage);
}

void ReceiveMachine::writePage() {
  // A page with no data is never confirmed: confirming it would tell the
  // caller a page arrived that did not.
  if (file_.pageBytes() == 0) {
    if (int rc = file_.keepPages(confirmedPages_, remoteId_); rc < 0) {
      fail(rc);
      return;
    }
    answer_ = fcf::RTN;
  } else {
    if (int rc = file_.endPage(remoteId_); rc < 0) {
      fail(rc);
      return;
    }
    answer_ = fcf::MCF;
  }
  sendAfter(kTurnaroundMs, "AT+FTH=3");
  setStatus(fpCheckMorePages);
  setState(rf1SendMCF);
}

void ReceiveMachine::onMcfSent() {
  if (answer_ == fcf::RTN) {
    // The caller retrains and sends the page again, or gives up.
    haveDcs_ = false;
    receiveFrame(kFrameTicks);
    setState(rf1CollFrms);
    return;
  }
  if (file_.isOpen()) confirmedPages_ = file_.pages();
  updateInfo([&](FaxStatusInfo& info) { info.totalPages = confirmedPages_; });
  if (morePages_ && !newDocument_) {
    connectTries_ = 0;
    sendCommand("AT+FRM=" + pageModulation());
    setState(rf1WtPgCnnct);
    return;
  }
  endDocument();
  if (morePages_) {
    // EOM: phase B again; the next page opens a file of its own.
    haveDcs_ = false;
    retries_ = 0;
    sendAfter(kTurnaroundMs, "AT+FTH=3");
    setState(rf1SendCSI);
    return;
  }
  receiveFrame(kFrameTicks);
  setStatus(fpGetHangup);
  setState(rf1WaitDCN);
}

// The open document is complete: close it and report it.
void ReceiveMachine::endDocument() {
  if (!file_.isOpen()) return;
  if (file_.pages() == 0) {
    // Every page of it was refused: no fax to keep.
    file_.discard();
    notifyLog(lfaxReceiveFail);
    return;
  }
  if (int rc = file_.close(); rc < 0) {
    notifyError(rc);
    notifyLog(lfaxReceiveFail);
    return;
  }
  faxReceived_ = true;
  notifyLog(lfaxReceiveOk);
}

// ---- ending

void ReceiveMachine::fail(int code) {
  notifyError(code);
  abortCall();
}

void ReceiveMachine::abortCall() {
  const bool inData = state_ == rf1CollTrn || state_ == rfGtPgDta;
  pageFlow(false, true);
  keepConfirmedPages();
  setState(rfAbort);
  beginHangup(rfAbortHungUp, inData ? DataPhase::Receiving : DataPhase::None);
}

void ReceiveMachine::modemLost() {
  notifyError(ecFaxModemLost);
  keepConfirmedPages();
}

void ReceiveMachine::keepConfirmedPages() {
  if (file_.isOpen()) {
    // Keep what the caller was told arrived; drop the rest. A file with
    // no confirmed page is no fax.
    if (confirmedPages_ > 0 && file_.keepPages(confirmedPages_, remoteId_) == 0 && file_.close() == 0) {
      updateInfo([&](FaxStatusInfo& info) { info.totalPages = confirmedPages_; });
    } else {
      file_.discard();
      updateInfo([](FaxStatusInfo& info) { info.totalPages = 0; });
    }
    notifyLog(lfaxReceiveFail);
  }
}

}  // namespace telvane
