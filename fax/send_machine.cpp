#include "fax/send_machine.h"

#include <algorithm>
#include <ctime>

#include "faximage/image_status.h"
#include "platform/text.h"
#include "serial/base_dispatcher.h"

namespace telvane {
namespace {

using t30::ModemResponse;
namespace fcf = t30::fcf;

constexpr FaxStateInfo kSendStates[] = {
    {"tfNone", Awaits::Nothing, "tfGetEntry"},
    {"tfGetEntry", Awaits::Nothing, "tfCompleteOK tfInit"},
    {"tfInit", Awaits::Nothing, "tf1Init1 tf2Init1"},
    {"tf1Init1", Awaits::Response, "tfDial"},
    {"tf2Init1", Awaits::Response, "tf2Init1A tf2Init2"},
    {"tf2Init1A", Awaits::Response, "tf2Init1B"},
    {"tf2Init1B", Awaits::Response, "tf2Init2"},
    {"tf2Init2", Awaits::Response, "tf2Init3"},
    {"tf2Init3", Awaits::Response, "tfDial"},
    {"tfDial", Awaits::Nothing, "tf1Connect tf2Connect"},
    {"tfRetryWait", Awaits::Response, "tfInit"},
    {"tf1Connect", Awaits::Response, "tf1SendTSI tfRetryWait tfGetEntry"},
    {"tf1SendTSI", Awaits::Response, "tf1TSIRespns"},
    {"tf1TSIRespns", Awaits::Response, "tf1DCSRspns"},
    {"tf1DCSRspns", Awaits::Response, "tf1TrainStrt"},
    {"tf1TrainStrt", Awaits::Response, "tf1TrainFnsh"},
    {"tf1TrainFnsh", Awaits::Response, "tf1WaitCFR"},
    {"tf1WaitCFR", Awaits::Response, "tf1WaitPgCn tf1TSIRespns"},
    {"tf1WaitPgCn", Awaits::Response, "tfWaitFrHead"},
    {"tf2Connect", Awaits::Response, "tf2GetParams tfRetryWait tfGetEntry"},
    {"tf2GetParams", Awaits::Response, "tfWaitFrHead tfWaitXon"},
    {"tfWaitXon", Awaits::Raw, "tfWaitFrHead"},
    {"tfWaitFrHead", Awaits::Trigger, "tfSndPgeHdr"},
    {"tfSndPgeHdr", Awaits::Nothing, "tfPrepPage"},
    {"tfOpenCover", Awaits::Nothing, "tfPrepPage"},
    {"tfSendCover", Awaits::Trigger, "tfPrepPage"},
    {"tfPrepPage", Awaits::Nothing, "tfSendPage"},
    {"tfSendPage", Awaits::Trigger, "tfDrainPage"},
    {"tfDrainPage", Awaits::Nothing, "tf1PageEnd tf2SendEOP"},
    {"tf1PageEnd", Awaits::Response, "tf1PrepEOP"},
    {"tf1PrepEOP", Awaits::Nothing, "tf1SendEOP"},
    {"tf1SendEOP", Awaits::Response, "tf1WaitMPS tf1WaitEOP"},
    {"tf1WaitMPS", Awaits::Response, "tf1WaitMCF"},
    {"tf1WaitEOP", Awaits::Response, "tf1WaitMCF"},
    {"tf1WaitMCF", Awaits::Response, "tf1PrepEOP tf1SendDCN tf1WaitPgCn tf1TSIRespns tf1Connect"},
    {"tf1SendDCN", Awaits::Response, "tf1Hangup tf1WaitHngp tfClose"},
    {"tf1Hangup", Awaits::Response, "tf1WaitHngp tfClose"},
    {"tf1WaitHngp", Awaits::Response, "tfClose"},
    {"tf2SendEOP", Awaits::Nothing, "tf2WaitFPTS tf20ChckPg"},
    {"tf2WaitFPTS", Awaits::Response, "tf2WaitFET"},
    {"tf2WaitFET", Awaits::Response, "tf2GetParams tf2SndNwPrm tf2NextPage tfClose"},
    {"tf2WaitPgOK", Awaits::Response, "tf2GetParams tf2SndNwPrm tf2NextPage tfClose"},
    {"tf2SndNwPrm", Awaits::Nothing, "tf2GetParams"},
    {"tf2NextPage", Awaits::Nothing, "tf2GetParams"},
    {"tf20ChckPg", Awaits::Response, "tf2WaitPgOK tf2GetParams tf2SndNwPrm tf2NextPage tfClose"},
    {"tfClose", Awaits::Nothing, "tfGetEntry"},
    {"tfCompleteOK", Awaits::Nothing, "tfDone"},
    {"tfAbort", Awaits::Nothing, "tfAbortHungUp"},
    {"tfDone", Awaits::Trigger, ""},
    {"tfAbortHungUp", Awaits::Nothing, "tfDone tfGetEntry"},
};
static_assert(std::size(kSendStates) == tfSendStateCount, "one name per send state");

// T.30 5.3.2.4: a station answering a frame waits at least 75 ms (± 20)
// before it raises its own carrier. One tick more than that, at most.
constexpr int kTurnaroundMs = 100;
// T.30 Annex A.4: the TCF is 1.5 s of zeros at the chosen rate.
constexpr int kTcfMaxBytes = 8192;
constexpr int32_t kPpmResponseTicks = 54;  // T4: 3 s
constexpr int32_t kHangupTicks = 26;
constexpr int kMaxPpmTries = 3;
constexpr int kMaxDisRepeats = 3;  // "DIS received three times; DCS not recognized"
constexpr int kBlockRoom = 4096;
constexpr uint8_t kDleEtx[] = {0x10, 0x03};
constexpr uint8_t kXon = 0x11;

// A cover is an image when its name ends in "." and the fax file extension.
bool HasFaxExtension(std::string_view name, const std::string& ext) {
  return name.size() > ext.size() + 1 && name[name.size() - ext.size() - 1] == '.' &&
         EqualsNoCase(name.substr(name.size() - ext.size()), ext);
}

std::string FormatNow(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[64] = {};
  std::strftime(text, sizeof text, format, &local);
  return text;
}

}  // namespace

SendMachine::SendMachine(TKovaBaseDispatcher& port, std::shared_ptr<FaxMachineHost> host,
                         FaxSessionSettings settings, SendSettings send)
    : FaxMachine(port, std::move(host), std::move(settings)), send_(std::move(send)) {}

std::span<const FaxStateInfo> SendMachine::states() const { return kSendStates; }

void SendMachine::firstStep() {
  setStatus(fpInitModem);
  notifyStatus(true, false);
  setState(tfGetEntry);
}

// ---- the steps

void SendMachine::step(const FaxEvent& event) {
  if (event.input == FaxInput::Abort) {
    if (state_ == tfDone || state_ == tfAbort || state_ == tfAbortHungUp) return;
    userCancel_ = true;
    setStatus(fpCancel);
    notifyError(ecCancelRequested);
    abortFax();
    return;
  }
  if (event.input == FaxInput::TimeOut && onTimeOut()) return;
  const bool line = event.input == FaxInput::Line;
  const ModemResponse r = event.response;
  if (line && r == ModemResponse::Hangup && !expectsHangup()) {
    // The modem ended the call outside the post-page exchange.
    keepHangupCode(event.line);
    fail(ecFaxBadModemResult);
    return;
  }

  switch (state_) {
    case tfNone:
    case tfDone:
      break;
    case tfGetEntry:
      getEntry();
      break;
    case tfInit:
      initFax();
      break;
    case tf1Init1:
      if (!line) break;
      if (r == ModemResponse::Ok) setState(tfDial);
      else fail(ecFaxInitError);
      break;
    case tfDial:
      dial();
      break;
    case tfRetryWait:
      // Back to init and dial when the wait is over, or at once when the
      // modem speaks (a RING, a late result).
      if (line) setState(tfInit);
      break;
    case tf1Connect:
      onDialResponse(event);
      break;
    case tf1SendTSI:
      if (line && r == ModemResponse::Connect) {
        const auto ident = t30::EncodeIdent(settings_.stationId);
        sendFrame(fcf::TSI | t30::kXBit, ident, false);
        setState(tf1TSIRespns);
      } else if (line) {
        fail(ecFaxBadModemResult);
      }
      break;
    case tf1TSIRespns:
      if (line && r == ModemResponse::Ok) break;  // the end of a cancelled reception
      if (line && r == ModemResponse::Connect) {
        t30::DcsParams dcs{true, rateIndex_, fine_, wide_, scanCode_};
        const auto info = t30::EncodeDcs(dcs);
        sendFrame(fcf::DCS | t30::kXBit, info, true);
        setState(tf1DCSRspns);
      } else if (line) {
        fail(ecFaxBadModemResult);
      }
      break;
    case tf1DCSRspns:
      if (line && r == ModemResponse::Ok) {
        sendAfter(kTurnaroundMs, "AT+FTM=" + std::string(t30::RateByIndex(rateIndex_)->trainingModulation));
        setState(tf1TrainStrt);
      } else if (line) {
        fail(ecFaxBadModemResult);
      }
      break;
    case tf1TrainStrt:
      if (line && r == ModemResponse::Connect) {
        const int bps = t30::RateByIndex(rateIndex_)->bps;
        const int bytes = std::min(bps / 100 * 18, kTcfMaxBytes);
        std::vector<uint8_t> tcf(static_cast<size_t>(bytes), 0);
        tcf.insert(tcf.end(), std::begin(kDleEtx), std::end(kDleEtx));
        sendBytes(tcf);
        // The modem answers OK once the TCF has gone out: 1.5 s and more.
        armTimeout(kResponseTicks);
        setState(tf1TrainFnsh);
      } else if (line) {
        fail(ecFaxBadModemResult);
      }
      break;
    case tf1TrainFnsh:
      if (line && r == ModemResponse::Ok) {
        // The receiver answers 75 ms after the TCF: listen at once. A
        // receiver whose training failed may take its time over FTT (it
        // waits for the carrier to end), and a DCS sent meanwhile makes it
        // give up: so the wait is the response time-out, not T4. An
        // unreadable answer is not waited on (below).
        receiveFrame();
        setState(tf1WaitCFR);
      } else if (line) {
        fail(ecFaxBadModemResult);
      }
      break;
    case tf1WaitCFR:
      onTrainingResponse(event);
      break;
    case tf1WaitPgCn:
      if (line && r == ModemResponse::Connect) {
        // A Class 1 modem sends no XON before page data (that is Class 2):
        // the data may flow as soon as the output buffer has room.
        setStatus(fpSendPage);
        startPageData();
      } else if (line) {
        fail(r == ModemResponse::NoCarrier ? ecFaxNoCarrier : ecFaxBadModemResult);
      }
      break;
    case tfWaitXon:
      // Class 2: the modem is ready for the page when it sends XON
      // (EIA-592 8.3.3); without one, the time-out starts the page anyway.
      if (event.input == FaxInput::Data) {
        uint8_t byte = 0;
        while (takeBytes(&byte, 1) == 1) {
          if (byte == kXon) {
            startPageData();
            break;
          }
        }
      }
      break;
    case tfWaitFrHead:
      if (event.input == FaxInput::OutFree) {
        setStatus(fpSendPage);
        pageFlow(true, false);
        setState(tfSndPgeHdr);
      }
      break;
    case tfSndPgeHdr:
      sendHead();
      break;
    case tfOpenCover:
    case tfSendCover:
      setState(tfPrepPage);
      break;
    case tfPrepPage:
      pageSent_ = 0;
      pageEnded_ = false;
      updatePageInfo();
      armOutUsed(std::max(0, send_.bufferMinimum));
      setState(tfSendPage);
      sendPageData();
      break;
    case tfSendPage:
      if (event.input == FaxInput::OutUsed) sendPageData();
      break;
    case tfDrainPage:
      advancePage();
      break;
    case tf1PageEnd:
      if (line && r == ModemResponse::Ok) {
        ppmTries_ = 0;
        setStatus(fpSendPageStatus);
        setState(tf1PrepEOP);
      } else if (line && r != ModemResponse::Connect) {
        fail(ecFaxPageError);
      }
      break;
    case tf1PrepEOP:
      if (++ppmTries_ > kMaxPpmTries) {
        fail(ecTimeout);
        break;
      }
      sendAfter(kTurnaroundMs, "AT+FTH=3");
      setState(tf1SendEOP);
      break;
    case tf1SendEOP:
      if (line && r == ModemResponse::Connect) {
        lastPpm_ = !morePages_ ? fcf::EOP : (send_.pageBreakMps ? fcf::MPS : fcf::EOM);
        sendFrame(lastPpm_ | t30::kXBit, {}, true);
        setState(lastPpm_ == fcf::EOP ? tf1WaitEOP : tf1WaitMPS);
      } else if (line && r == ModemResponse::Error) {
        fail(ecFaxBadModemResult);
      }
      // An OK here answers the blank that cancelled a reception: ignored.
      break;
    case tf1WaitMPS:
    case tf1WaitEOP:
      if (line && r == ModemResponse::Ok) {
        receiveFrame(kPpmResponseTicks);
        setState(tf1WaitMCF);
      } else if (line) {
        fail(ecFaxBadModemResult);
      }
      break;
    case tf1WaitMCF:
      onPostPageResponse(event);
      break;
    case tf1SendDCN:
      if (line && r == ModemResponse::Connect) {
        sendFrame(fcf::DCN | t30::kXBit, {}, true);
        setState(tf1Hangup);
      } else if (line) {
        // The receiver has the pages; failing to say goodbye is no failure.
        sendCommand("ATH", kHangupTicks);
        setState(tf1WaitHngp);
      }
      break;
    case tf1Hangup:
      if (line) {
        sendCommand("ATH", kHangupTicks);
        setState(tf1WaitHngp);
      }
      break;
    case tf1WaitHngp:
      if (line) {
        stopTimeout();
        setState(tfClose);
      }
      break;
    case tfClose:
      closeFax();
      setStatus(fpFinished);
      notifyLog(lfaxTransmitOk);
      setState(tfGetEntry);
      break;
    case tfCompleteOK:
      notifyStatus(false, true);
      setState(tfDone);
      finish(lastError_);
      break;
    case tfAbort:
      // Waits for the hang-up begun by abortFax().
      break;
    case tfAbortHungUp:
      if (settings_.exitOnError || settings_.abortNoConnect || userCancel_) {
        if (userCancel_) setStatus(fpCancel);
        notifyStatus(false, true);
        setState(tfDone);
        finish(lastError_);
      } else {
        setState(tfGetEntry);
      }
      break;
    default:
      stepClass2(event);
      break;
  }
}

// No answer to DCS and TCF. A receiver that did not hear the training
// carrier says nothing (T.30 leaves the repeat to the sender): try the
// same rate once more, then step down as after FTT.
void SendMachine::repeatTraining() {
  if (++dcsTries_ >= 2) {
    const int lower = t30::NextLowerRate(settings_.localRates, remote_.rates, rateIndex_);
    if (lower == 0) {
      fail(ecFaxTrainError);
      return;
    }
    chooseRate(lower);
    dcsTries_ = 0;
  }
  sendAfter(kTurnaroundMs, "AT+FTH=3");
  setState(tf1TSIRespns);
}

void SendMachine::startPageData() {
  armOutFree(kBlockRoom);
  armTimeout(kResponseTicks);
  setState(tfWaitFrHead);
}

// Time-outs common to the response states; true when handled.
bool SendMachine::onTimeOut() {
  switch (state_) {
    case tfRetryWait:
      setState(tfInit);
      return true;
    case tf1Connect:
    case tf2Connect:
      fail(ecFaxNoFaxConnect);
      return true;
    case tfWaitXon:
      startPageData();
      return true;
    case tf1WaitCFR: {
      // The modem still listens: a byte cancels that (T.31 8.3.4), its OK
      // is passed over, and DCS and TCF go again.
      const uint8_t blank = ' ';
      sendBytes(std::span(&blank, 1));
      repeatTraining();
      return true;
    }
    case tf1WaitMCF: {
      // Cancel the pending reception with a blank, then repeat the PPM.
      const uint8_t blank = ' ';
      sendBytes(std::span(&blank, 1));
      setState(tf1PrepEOP);
      return true;
    }
    case tf1SendDCN:
    case tf1Hangup:
    case tf1WaitHngp:
      beginHangup(tfClose, DataPhase::None);
      return true;
    case tfNone:
    case tfDone:
    case tfAbort:
    case tfAbortHungUp:
      return true;
    default:
      fail(ecTimeout);
      return true;
  }
}

// ---- job and dialling

void SendMachine::getEntry() {
  std::string phone, file, cover;
  if (!host_->machineNextFax(phone, file, cover) || phone.empty()) {
    setState(tfCompleteOK);
    return;
  }
  phone_ = phone;
  faxFile_ = file;
  coverFile_ = cover;
  currentPage_ = 1;
  pageCount_ = 0;
  dialAttempt_ = 0;
  haveDis_ = false;
  updateInfo([&](FaxStatusInfo& info) {
    info.sending = true;
    info.phoneNumber = phone_;
    info.faxFile = faxFile_;
    info.coverFile = coverFile_;
    info.currentPage = 1;
    info.confirmedPages = 0;
    info.remoteId.clear();
    info.bps = 0;
  });
  notifyLog(lfaxTransmitStart);
  if (faxFile_.empty() && coverFile_.empty()) {
    fail(ecNoFilename);
    return;
  }
  if (!faxFile_.empty()) {
    if (int rc = pages_.open(faxFile_); rc < 0) {
      fail(rc);
      return;
    }
    pageCount_ = pages_.pageCount();
    if (pageCount_ < 1) {
      fail(ecFaxBadFormat);
      return;
    }
  }
  coverPages_ = coverFile_.empty() ? 0 : 1;
  coverImage_ = HasFaxExtension(coverFile_, settings_.faxFileExt);
  updateInfo([&](FaxStatusInfo& info) { info.totalPages = pageCount_ + coverPages_; });
  setState(tfInit);
}

// On to the next page of the fax; false when it cannot be read (the fax
// has failed then).
bool SendMachine::openNextPage() {
  ++currentPage_;
  if (int rc = openPage(currentPage_); rc < 0) {
    fail(rc);
    return false;
  }
  updatePageInfo();
  return true;
}

// Positions the page source at page `number` of the fax (the cover first).
int SendMachine::openPage(int number) {
  if (number <= coverPages_) {
    auto expand = [this](std::string_view line) { return expandTags(line); };
    return pages_.beginCover(coverFile_, coverImage_, fine_, wide_, expand);
  }
  return pages_.beginPage(number - coverPages_);
}

void SendMachine::initFax() {
  // The resolution and width of the fax follow its first page (of the
  // file, or of an image cover when there is no file).
  ApfPageHeader first;
  if (!faxFile_.empty()) {
    if (int rc = pages_.beginPage(1); rc < 0) {
      fail(rc);
      return;
    }
    first = pages_.pageHeader();
  } else if (coverImage_) {
    if (int rc = ReadPageHeader(coverFile_, 1, first); rc < 0) {
      fail(rc);
      return;
    }
  }
  fine_ = first.fine();
  wide_ = first.wide();
  if (int rc = openPage(1); rc < 0) {
    fail(rc);
    return;
  }
  setStatus(fpInitModem);
  retransmissions_ = 0;
  if (class2()) {
    sendCommand(words().selectClass);
    setState(tf2Init1);
    return;
  }
  sendCommand("AT+FCLASS=1");
  setState(tf1Init1);
}

void SendMachine::dial() {
  ++dialAttempt_;
  updateInfo([&](FaxStatusInfo& info) { info.dialAttempt = dialAttempt_; });
  const std::string command = std::string(send_.toneDial ? "ATDT" : "ATDP") + send_.dialPrefix + phone_;
  sendCommand(command, send_.dialWaitTicks);
  setStatus(fpDialing, true);
  if (class2()) {
    setState(tf2Connect);
    return;
  }
  // T.31 8.3.1: after ATD the modem listens for the called station's V.21
  // frames itself; its CONNECT means one is on the way.
  expectFrameOnConnect();
  setState(tf1Connect);
}

void SendMachine::onDialResponse(const FaxEvent& event) {
  if (event.input == FaxInput::Frame) {
    onPhaseBFrame(event.frame);
    return;
  }
  if (event.input == FaxInput::BadFrame) {
    // The called station repeats its DIS when nothing answers it.
    receiveFrame();
    return;
  }
  if (event.input != FaxInput::Line) return;
  switch (event.response) {
    case ModemResponse::Busy:
      onNoConnect(ecFaxBusy);
      break;
    case ModemResponse::NoAnswer:
      onNoConnect(ecFaxNoAnswer);
      break;
    case ModemResponse::Voice:
      fail(ecFaxVoiceCall);
      break;
    case ModemResponse::NoDialTone:
      fail(ecFaxNoDialTone);
      break;
    case ModemResponse::NoCarrier:
      fail(ecFaxNoCarrier);
      break;
    case ModemResponse::Error:
      fail(ecFaxBadModemResult);
      break;
    default:
      // Only the first answer waits the whole dial time; later ones the
      // ordinary response time.
      armTimeout(kResponseTicks);
      break;
  }
}

void SendMachine::onNoConnect(int code) {
  if (send_.dialAttempts == 0 || dialAttempt_ < send_.dialAttempts) {
    updateInfo([&](FaxStatusInfo& info) {
      info.dialRetryWaitSeconds = SecondsFromTicks(send_.dialRetryWaitTicks);
    });
    setStatus(fpBusyWait, true);
    armTimeout(send_.dialRetryWaitTicks);
    setState(tfRetryWait);
    return;
  }
  notifyStatus();
  if (settings_.abortNoConnect) {
    fail(code);
    return;
  }
  notifyError(code);
  closeFax();
  notifyLog(lfaxTransmitFail);
  setStatus(fpInitModem);
  setState(tfGetEntry);
}

void SendMachine::onPhaseBFrame(const t30::ParsedFrame& frame) {
  switch (frame.kind()) {
    case fcf::CSI:
      updateInfo([&](FaxStatusInfo& info) { info.remoteId = t30::DecodeIdent(frame.info); });
      setStatus(fpGotRemoteID);
      break;
    case fcf::DIS:
      if (!decodeDis(frame)) return;
      break;
    case fcf::DCN:
      fail(ecCancelRequested);
      return;
    default:
      break;  // NSF and what else a called station may say first
  }
  if (!frame.final || !haveDis_) {
    receiveFrame();
    return;
  }
  dcsTries_ = 0;
  disRepeats_ = 0;
  sendAfter(kTurnaroundMs, "AT+FTH=3");
  setState(tf1SendTSI);
}

bool SendMachine::decodeDis(const t30::ParsedFrame& frame) {
  remote_ = t30::DecodeDis(frame.info);
  if (!remote_.valid) {
    fail(ecFaxBadMachine);
    return false;
  }
  if ((fine_ && !remote_.fine) || (wide_ && !remote_.wide) || !remote_.canReceive) {
    fail(ecFaxBadMachine);
    return false;
  }
  const int maxIndex = std::max(1, t30::RateIndexOfBps(settings_.desiredBps));
  const int index = t30::ChooseRate(settings_.localRates, remote_.rates, maxIndex);
  if (index == 0) {
    fail(ecFaxBadMachine);
    return false;
  }
  haveDis_ = true;
  scanCode_ = remote_.scanCode;
  chooseRate(index);
  setStatus(fpSessionParams);
  return true;
}

void SendMachine::chooseRate(int index) {
  rateIndex_ = index;
  const int bps = t30::RateByIndex(index)->bps;
  pages_.setMinimumLineBytes(t30::MinimumBytesPerLine(scanCode_, fine_, bps));
  updateInfo([&](FaxStatusInfo& info) {
    info.bps = bps;
    info.fine = fine_;
    info.wide = wide_;
  });
}

void SendMachine::onTrainingResponse(const FaxEvent& event) {
  if (event.input == FaxInput::BadFrame) {
    // A called station does not repeat its CFR or FTT: it waits for the
    // page, or for our DCS again, which is what an unreadable answer
    // calls for (T.30 5.4.3.1).
    repeatTraining();
    return;
  }
  if (event.input != FaxInput::Frame) {
    if (event.input == FaxInput::Line && event.response == ModemResponse::Error) fail(ecFaxBadModemResult);
    return;
  }
  const t30::ParsedFrame& frame = event.frame;
  switch (frame.kind()) {
    case fcf::CFR:
      setStatus(fpSessionParams);
      sendAfter(kTurnaroundMs, "AT+FTM=" + std::string(t30::RateByIndex(rateIndex_)->pageModulation));
      setState(tf1WaitPgCn);
      return;
    case fcf::FTT: {
      const int lower = t30::NextLowerRate(settings_.localRates, remote_.rates, rateIndex_);
      if (lower == 0) {
        fail(ecFaxTrainError);
        return;
      }
      chooseRate(lower);
      dcsTries_ = 0;
      sendAfter(kTurnaroundMs, "AT+FTH=3");
      setState(tf1TSIRespns);
      return;
    }
    case fcf::DCN:
      fail(ecCancelRequested);
      return;
    case fcf::DIS:
      // Our DCS went unheard and the called station asks again.
      if (!frame.final) break;
      if (++disRepeats_ >= kMaxDisRepeats) {
        fail(ecFaxTrainError);
        return;
      }
      sendAfter(kTurnaroundMs, "AT+FTH=3");
      setState(tf1TSIRespns);
      return;
    default:
      break;
  }
  if (!frame.final) receiveFrame();
}

// ---- pages

std::string SendMachine::expandHeader() const { return expandTags(send_.headerLine); }

std::string SendMachine::expandTags(std::string_view line) const {
  t30::HeaderValues values;
  values.date = FormatNow("%x");
  values.time = FormatNow("%H:%M");
  values.stationId = settings_.stationId;
  values.sender = send_.headerSender;
  values.recipient = send_.headerRecipient;
  values.title = send_.headerTitle;
  values.totalPages = send_.headerTotalPages > 0 ? send_.headerTotalPages : pageCount_ + coverPages_;
  values.currentPage = currentPage_ + send_.headerFirstPage - 1;
  return t30::ExpandHeaderTags(line, values);
}

void SendMachine::sendHead() {
  std::vector<uint8_t> block;
  if (int rc = pages_.headBlock(send_.headerLine.empty() ? std::string() : expandHeader(), fine_, wide_, block);
      rc < 0) {
    fail(rc);
    return;
  }
  pageWritten_ = block.size();
  sendBytes(block);
  setState(tfPrepPage);
}

void SendMachine::updatePageInfo() {
  const long length = static_cast<long>(pages_.pageLength());
  const long queued = port().OutputCount();
  const long done = std::max(0L, static_cast<long>(pageSent_) - std::max(0L, queued));
  const bool cover = pages_.sendingCover();
  updateInfo([&](FaxStatusInfo& info) {
    info.currentPage = currentPage_;
    info.sendingCover = cover;
    info.pageLength = length;
    info.bytesTransferred = std::min(done, length);
  });
}

void SendMachine::sendPageData() {
  std::vector<uint8_t> block;
  for (int count = 0; count < send_.maxSendCount && !pageEnded_; ++count) {
    if (port().OutputCount() > send_.bufferMinimum || port().OutputFree() < kBlockRoom) break;
    block.clear();
    // Gather about a block's worth of lines per write.
    while (block.size() < static_cast<size_t>(kBlockRoom) / 2) {
      const long taken = pages_.nextBlock(block);
      if (taken < 0) {
        fail(static_cast<int>(taken));
        return;
      }
      if (taken == 0) {
        pageEnded_ = true;
        break;
      }
      pageSent_ += static_cast<uint64_t>(taken);
    }
    pageWritten_ += block.size();
    sendBytes(block);
  }
  updatePageInfo();
  if (pageEnded_) {
    endPage();
    return;
  }
  armOutUsed(std::max(0, send_.bufferMinimum));
  armTimeout(kResponseTicks);
}

void SendMachine::endPage() {
  morePages_ = currentPage_ < pageCount_ + coverPages_;
  nextDiffers_ = morePages_ && pageFine(currentPage_ + 1) != fine_;
  if (settings_.faxClass == fcClass2_0) {
    // T.32 8.3.3.4: DLE and the post-page message: ',' MPS, ';' EOM
    // (the next page needs new parameters), '.' EOP.
    const uint8_t end[] = {0x10, static_cast<uint8_t>(!morePages_ ? '.' : nextDiffers_ ? ';' : ',')};
    sendBytes(end);
  } else {
    sendBytes(kDleEtx);
  }
  pageFlow(false, false);
  stopOutputTriggers();
  setStatus(fpSendPage);
  logNote("page " + std::to_string(currentPage_) + ": " + std::to_string(pageSent_) + " bytes in the file, " +
          std::to_string(pageWritten_) + " written, fill " + std::to_string(pages_.fillAdded()));
  setState(tfDrainPage);
}

void SendMachine::advancePage() {
  // The modem answers OK once the page has gone out on the line. Between
  // us and the line sit buffers we cannot see (the driver's, the modem's):
  // allow for the whole page at its rate.
  const int bps = t30::RateByIndex(rateIndex_)->bps;
  const int64_t pageMs = static_cast<int64_t>(pageWritten_) * 8000 / std::max(bps, 2400);
  armTimeout(kResponseTicks + TicksFromMilliseconds(pageMs));
  setState(class2() ? tf2SendEOP : tf1PageEnd);
}

bool SendMachine::pageFine(int number) const {
  if (number <= coverPages_) return fine_;
  ApfPageHeader header;
  return ReadPageHeader(faxFile_, number - coverPages_, header) == 0 ? header.fine() : fine_;
}

void SendMachine::onPostPageResponse(const FaxEvent& event) {
  if (event.input == FaxInput::BadFrame) {
    setState(tf1PrepEOP);  // unreadable answer: repeat the PPM
    return;
  }
  if (event.input == FaxInput::Line) {
    if (event.response == ModemResponse::Error || event.response == ModemResponse::NoCarrier) {
      setState(tf1PrepEOP);
    }
    return;
  }
  if (event.input != FaxInput::Frame) return;
  const t30::ParsedFrame& frame = event.frame;
  const uint8_t kind = frame.kind();
  if (!frame.final && kind != fcf::MCF && kind != fcf::RTP && kind != fcf::RTN) {
    receiveFrame(kPpmResponseTicks);
    return;
  }
  const bool accepted = kind == fcf::MCF || kind == fcf::RTP || kind == fcf::PIP;
  if (kind == fcf::CRP) {
    setState(tf1PrepEOP);
    return;
  }
  if (kind == fcf::DCN) {
    fail(ecCancelRequested);
    return;
  }
  if (!accepted) {
    // RTN or PIN: the page was refused (T.30 5.3.6.1.5).
    setStatus(fpPageError);
    fail(ecFaxSessionError);
    return;
  }
  pageConfirmed();
  if (!morePages_) {
    sendAfter(kTurnaroundMs, "AT+FTH=3");
    setState(tf1SendDCN);
    return;
  }
  if (!openNextPage()) return;
  if (kind == fcf::RTP || lastPpm_ == fcf::EOM) {
    if (lastPpm_ == fcf::EOM) {
      // T.30 5.3.2.4 (EOM): the called station starts phase B again with
      // its DIS; answer that with DCS, not before.
      haveDis_ = false;
      receiveFrame();
      setState(tf1Connect);
      return;
    }
    sendAfter(kTurnaroundMs, "AT+FTH=3");
    setState(tf1TSIRespns);
    return;
  }
  sendAfter(kTurnaroundMs, "AT+FTM=" + std::string(t30::RateByIndex(rateIndex_)->pageModulation));
  setState(tf1WaitPgCn);
}

// ---- ending

void SendMachine::fail(int code) {
  notifyError(code);
  abortFax();
}

void SendMachine::abortFax() {
  const bool inPageData = state_ == tfWaitFrHead || state_ == tfSndPgeHdr || state_ == tfPrepPage ||
                          state_ == tfSendPage || state_ == tfDrainPage || state_ == tf1TrainFnsh;
  closeFax();
  notifyLog(lfaxTransmitFail);
  setState(tfAbort);
  beginHangup(tfAbortHungUp, inPageData ? DataPhase::Transmitting : DataPhase::None);
}

void SendMachine::pageConfirmed() {
  setStatus(fpPageOK);
  updateInfo([&](FaxStatusInfo& info) { info.confirmedPages = currentPage_; });
}

void SendMachine::modemLost() {
  notifyError(ecFaxModemLost);
  closeFax();
  notifyLog(lfaxTransmitFail);
}

void SendMachine::closeFax() {
  pageFlow(false, false);
  pages_.close();
  stopOutputTriggers();
}

}  // namespace telvane
