// The Class 2 (EIA-592) and Class 2.0 (T.32) states of the send machine:
// the modem runs T.30 itself; the engine sets the session up, dials, hands
// over each page and reads the modem's verdict on it.

#include "fax/send_machine.h"

#include "fax/t30/hdlc_frame.h"

namespace telvane {
namespace {

using t30::ModemResponse;

constexpr int32_t kPageConnectTicks = 546;   // 30 s for AT+FDT to connect
constexpr int32_t kDataStartTicks = 1092;    // 60 s for a 2.0 modem to take data
constexpr int32_t kXonTicks = 18;            // 1 s for a Class 2 modem's XON
constexpr int kNextPageMs = 275;             // 5 ticks between a page's OK and the next AT+FDT
constexpr int kMaxRetransmissions = 2;

bool Accepted(int pageStatus) { return pageStatus < 0 || pageStatus % 2 == 1; }

}  // namespace

bool SendMachine::expectsHangup() const {
  switch (state_) {
    case tf2SendEOP:
    case tf2WaitFPTS:
    case tf2WaitFET:
    case tf2WaitPgOK:
    case tf20ChckPg:
    case tfClose:
    case tfGetEntry:
    case tfCompleteOK:
    case tfDone:
    case tfAbort:
    case tfAbortHungUp:
      return true;
    default:
      return false;
  }
}

// The reports that may come at any time while a page is set up.
void SendMachine::onClass2Params(const FaxEvent& event) {
  const t30::ClassifiedLine report = t30::ClassifyResponse(event.line);
  if (report.kind != ModemResponse::Report) return;
  const Class2Vocabulary& w = words();
  if (report.name == w.connectReport) {
    if (state_ == tf2Connect) {
      armTimeout(kResponseTicks);
      setState(tf2GetParams);
    }
  } else if (report.name == w.remoteCaps) {
    const Class2Params remote = ParseClass2Params(report.argument);
    if (remote.valid && ((fine_ && !remote.fine) || (wide_ && !remote.wide))) {
      fail(ecFaxBadMachine);
      return;
    }
    setStatus(fpSessionParams);
  } else if (report.name == w.calledId) {
    const std::string id = t30::CleanRemoteId(report.argument).substr(0, 20);
    updateInfo([&](FaxStatusInfo& info) { info.remoteId = id; });
    setStatus(fpGotRemoteID);
  } else if (report.name == w.sessionReport) {
    const Class2Params session = ParseClass2Params(report.argument);
    if (!session.valid) return;
    rateIndex_ = session.rateIndex;
    scanCode_ = session.scanCode;
    const int bps = t30::RateByIndex(rateIndex_)->bps;
    pages_.setMinimumLineBytes(session.ecm ? 0 : t30::MinimumBytesPerLine(scanCode_, session.fine, bps));
    updateInfo([&](FaxStatusInfo& info) {
      info.bps = bps;
      info.fine = session.fine;
      info.wide = session.wide;
      info.errorControl = session.ecm;
    });
    setStatus(fpSessionParams);
  } else if (report.name == w.pageStatus) {
    pageStatus_ = FirstReportValue(report.argument);
  }
}

void SendMachine::stepClass2(const FaxEvent& event) {
  const bool line = event.input == FaxInput::Line;
  const ModemResponse r = event.response;
  const bool ok = line && r == ModemResponse::Ok;
  const Class2Vocabulary& w = words();
  if (line && r == ModemResponse::Hangup) {
    keepHangupCode(event.line);
    return;
  }
  if (line && r == ModemResponse::Report) {
    onClass2Params(event);
    return;
  }

  switch (state_) {
    case tf2Init1:
    case tf2Init1A:
    case tf2Init1B:
    case tf2Init2:
    case tf2Init3:
      if (!line) break;
      if (!ok) {
        fail(ecFaxInitError);
        break;
      }
      if (state_ == tf2Init1) {
        sendCommand(std::string(w.localId) + "\"" + settings_.stationId + "\"");
        setState(w.class20 ? tf2Init1A : tf2Init2);
      } else if (state_ == tf2Init1A) {
        sendCommand("AT+FLO=2");  // T.32 8.5.1: RTS/CTS flow control
        setState(tf2Init1B);
      } else if (state_ == tf2Init1B) {
        sendCommand("AT+FNR=1,1,1,0");  // report the session, IDs and capabilities
        setState(tf2Init2);
      } else if (state_ == tf2Init2) {
        sendCommand(SendParamsCommand(w, fine_, settings_.desiredBps, wide_, settings_.desiredEcm));
        setState(tf2Init3);
      } else {
        setState(tfDial);
      }
      break;

    case tf2Connect:
      // The connection report comes as a report (handled above); what
      // else the dial brings is judged as in Class 1.
      if (line) onDialResponse(event);
      break;

    case tf2GetParams:
      if (!line) break;
      if (ok) {
        sendCommand("AT+FDT", kPageConnectTicks);
      } else if (r == ModemResponse::Connect) {
        setStatus(fpSendPage);
        if (w.class20) {
          armOutFree(4096);
          armTimeout(kDataStartTicks);
          setState(tfWaitFrHead);
        } else {
          armTimeout(kXonTicks);
          setState(tfWaitXon);
        }
      } else if (r == ModemResponse::NoCarrier) {
        fail(ecFaxNoCarrier);
      } else if (r == ModemResponse::Error) {
        fail(ecFaxSessionError);
      }
      break;

    case tf2SendEOP:
      pageStatus_ = -1;
      setStatus(fpSendPageStatus);
      setState(w.class20 ? tf20ChckPg : tf2WaitFPTS);
      break;

    case tf2WaitFPTS:
      if (!line) break;
      if (ok) {
        sendCommand(std::string("AT+FET=") + (!morePages_ ? "2" : nextDiffers_ ? "1" : "0"));
        setState(tf2WaitFET);
      } else {
        fail(ecFaxSessionError);
      }
      break;

    case tf2WaitFET:
    case tf20ChckPg:
    case tf2WaitPgOK:
      if (!line) break;
      if (ok) {
        onPageStatus(pageStatus_);
      } else if (r == ModemResponse::Error && state_ == tf20ChckPg) {
        // T.32 8.3.3.4: ERROR is the receiver's refusal (RTN, PIN); the
        // page status says which.
        setStatus(fpPageError);
        sendCommand("AT+FPS?");
        setState(tf2WaitPgOK);
      } else if (r == ModemResponse::Error && state_ == tf2WaitPgOK) {
        fail(ecFaxSessionError);
      } else {
        fail(ecFaxPageError);
      }
      break;

    case tf2SndNwPrm:
      sendCommand(std::string(w.sendParams) + (fine_ ? "1" : "0"));
      setState(tf2GetParams);
      break;

    case tf2NextPage:
      sendAfter(kNextPageMs, "AT+FDT", kPageConnectTicks);
      setState(tf2GetParams);
      break;

    default:
      break;
  }
}

// The modem has said its last word on a page (OK after the post-page
// exchange). The page status decides; a hang-up code other than 0 means
// the call broke, which no OK makes good.
void SendMachine::onPageStatus(int status) {
  const bool brokenOff = hungUpBadly();
  const bool accepted = Accepted(status) && !(status < 0 && brokenOff);
  if (accepted && (!brokenOff || !morePages_)) {
    // Every page is confirmed when this was the last: a code after the
    // last confirmation cannot take a page back.
    afterPageAccepted();
    return;
  }
  if (brokenOff) {
    fail(ecFaxSessionError);
    return;
  }
  // Refused (RTN, PIN): the same page again, at most twice more.
  setStatus(fpPageError);
  if (++retransmissions_ > kMaxRetransmissions) {
    sendCommand(words().terminate);
    fail(ecFaxSessionError);
    return;
  }
  if (int rc = openPage(currentPage_); rc < 0) {
    fail(rc);
    return;
  }
  pageStatus_ = -1;
  sendCommand("AT+FDT", kPageConnectTicks);
  setState(tf2GetParams);
}

void SendMachine::afterPageAccepted() {
  pageConfirmed();
  retransmissions_ = 0;
  if (!morePages_) {
    setState(tfClose);
    return;
  }
  if (!openNextPage()) return;
  if (nextDiffers_) {
    fine_ = !fine_;
    setState(tf2SndNwPrm);
  } else {
    setState(tf2NextPage);
  }
}

}  // namespace telvane
