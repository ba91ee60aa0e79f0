// The Class 2 (EIA-592) and Class 2.0 (T.32) states of the receive
// machine: the modem answers and runs T.30; the engine takes each page
// with AT+FDR and stores it by the modem's verdict on it.

#include "fax/receive_machine.h"

#include "fax/t30/hdlc_frame.h"

namespace telvane {
namespace {

using t30::ModemResponse;

constexpr int kMaxFdrRepeats = 3;
// AT+FDR is answered when the page arrives: after training at the latest
// (T.30 T2), but a modem that collects the whole page first answers only
// when it has it, and the modem's own T.30 timers end a call that breaks
// (with a hang-up report). So the wait is long.
constexpr int32_t kFdrTicks = TicksFromSeconds(180);

// +FET values (T.32 Table 21): 0 MPS, 1 EOM, 2 EOP, and 3..5 the same with
// a procedure interrupt request, which this host does not take up (no
// operator stands by): they count as the message they come with.
int PostPageMessage(int value) { return value >= 3 && value <= 5 ? value - 3 : value; }

}  // namespace

void ReceiveMachine::onClass2Report(const FaxEvent& event) {
  const t30::ClassifiedLine report = t30::ClassifyResponse(event.line);
  const Class2Vocabulary& w = words();
  if (report.name == w.connectReport) {
    if (state_ == rf2ValCnnct) {
      // Phase B runs in the modem now; it reports once the training check
      // has passed. T.30's T1 (35 s) bounds that.
      armTimeout(TicksFromSeconds(35));
      setStatus(fpIncoming);
      setState(rf2GtSndID);
    }
  } else if (report.name == w.senderId) {
    remoteId_ = t30::CleanRemoteId(report.argument).substr(0, 20);
    updateInfo([&](FaxStatusInfo& info) { info.remoteId = remoteId_; });
    setStatus(fpGotRemoteID);
    acceptCall();
  } else if (report.name == w.sessionReport) {
    const Class2Params session = ParseClass2Params(report.argument);
    if (!session.valid) return;
    dcs_.params = t30::DcsParams{true, session.rateIndex, session.fine, session.wide, session.scanCode};
    haveDcs_ = true;
    updateInfo([&](FaxStatusInfo& info) {
      info.bps = t30::RateByIndex(session.rateIndex)->bps;
      info.fine = session.fine;
      info.wide = session.wide;
      info.errorControl = session.ecm;
    });
    setStatus(fpSessionParams);
  } else if (report.name == w.pageStatus) {
    pageStatus_ = FirstReportValue(report.argument);
    setStatus(fpGetPageResult);
  } else if (report.name == "FET") {
    postPage_ = PostPageMessage(FirstReportValue(report.argument));
    setStatus(fpCheckMorePages);
  }
}

void ReceiveMachine::stepClass2(const FaxEvent& event) {
  const bool line = event.input == FaxInput::Line;
  const ModemResponse r = event.response;
  const bool ok = line && r == ModemResponse::Ok;
  const Class2Vocabulary& w = words();
  if (line && r == ModemResponse::Report) {
    onClass2Report(event);
    return;
  }
  if (line && r == ModemResponse::Hangup) {
    // Only here and after a page does a hang-up report belong.
    keepHangupCode(event.line);
    if (state_ == rf2GetFHNG) setStatus(fpGotHangup);
    return;
  }

  switch (state_) {
    case rf2Init1:
    case rf2Init1A:
    case rf2Init1B:
    case rf2Init2:
    case rf2Init3:
      if (!line) break;
      if (!ok) {
        fail(ecFaxInitError);
        break;
      }
      if (state_ == rf2Init1) {
        // Some modems forget the session settings when the class is
        // selected again: the local ID goes with every selection.
        sendCommand(std::string(w.localId) + "\"" + settings_.stationId + "\"");
        setState(rf2Init2);
      } else if (state_ == rf2Init2) {
        sendCommand(ReceiveCapsCommand(w, settings_.desiredBps, settings_.desiredEcm));
        setState(w.class20 ? rf2Init1A : rf2Init3);
      } else if (state_ == rf2Init1A) {
        sendCommand("AT+FLO=2");
        setState(rf2Init1B);
      } else if (state_ == rf2Init1B) {
        sendCommand("AT+FNR=1,1,1,0");
        setState(rf2Init3);
      } else {
        stopTimeout();
        setStatus(fpWaiting, true);
        setState(rfWaiting);
      }
      break;

    case rf2ValCnnct:
      if (line && r == ModemResponse::NoCarrier) fail(ecFaxNoCarrier);
      break;

    case rf2GtSndID:
      if (!ok) break;
      // A caller without an ID is accepted (or refused) here.
      acceptCall();
      if (!file_.isOpen()) break;
      fdrRepeats_ = 0;
      sendCommand("AT+FDR", kFdrTicks);
      setState(rf2GtCnnct);
      break;

    case rf2GtCnnct:
      if (!line) break;
      if (r == ModemResponse::Connect) {
        setState(rfStartPage);
      } else if (ok && ++fdrRepeats_ <= kMaxFdrRepeats) {
        // Some modems answer OK instead of CONNECT between documents.
        sendCommand("AT+FDR", kFdrTicks);
      } else if (ok || r == ModemResponse::NoCarrier) {
        fail(ecFaxSessionError);
      }
      break;

    case rf2GtPgRslt:
      if (ok) {
        onPageResult();
      } else if (line && r == ModemResponse::Error) {
        // T.32: the modem's own copy check failed; the page is refused.
        pageStatus_ = 2;
        onPageResult();
      }
      break;

    case rf2GetFHNG:
      if (line && (ok || r == ModemResponse::Error || r == ModemResponse::NoCarrier)) {
        stopTimeout();
        setState(rfComplete);
      }
      break;

    default:
      break;
  }
}

// The modem's last word on a page: keep it or drop it, then on to the
// next page, the next document, or the end.
void ReceiveMachine::onPageResult() {
  const bool good = pageStatus_ < 0 || pageStatus_ % 2 == 1;
  const int rc = good ? file_.endPage(remoteId_) : file_.keepPages(confirmedPages_, remoteId_);
  if (rc < 0) {
    fail(rc);
    return;
  }
  if (good) {
    confirmedPages_ = file_.pages();
    updateInfo([&](FaxStatusInfo& info) { info.totalPages = confirmedPages_; });
  } else {
    setStatus(fpPageError);
  }
  // Without a post-page report, a modem that has hung up had nothing more.
  const int message = postPage_ >= 0 ? postPage_ : (hungUp() ? 2 : 0);
  pageStatus_ = -1;
  postPage_ = -1;
  if (hungUpBadly()) {
    fail(ecFaxSessionError);  // confirmed pages are kept
    return;
  }
  if (message == 2) {
    endDocument();
    setStatus(fpGetHangup);
    if (hungUp()) {
      setState(rfComplete);
      return;
    }
    sendCommand("AT+FDR", kFdrTicks);  // answered with the hang-up report
    setState(rf2GetFHNG);
    return;
  }
  if (message == 1) endDocument();  // the next page opens a file of its own
  fdrRepeats_ = 0;
  sendCommand("AT+FDR", kFdrTicks);
  setState(rf2GtCnnct);
}

}  // namespace telvane
