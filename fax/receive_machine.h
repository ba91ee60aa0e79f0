#pragma once
// The receive machine: waits for RING, answers, and (Class 1) runs the
// called station's side of T.30: CSI and DIS, the training check, page
// reception into fax image files, the post-page answers, the hang-up.
//
// Nothing confirmed is ever lost: a page is written to the file before its
// MCF goes out, a failure keeps every page confirmed before it, and each
// document of a call (EOM) is a file of its own.

#include <cstdint>
#include <string>

#include "fax/class2_vocabulary.h"
#include "fax/fax_machine.h"
#include "fax/received_fax_file.h"

namespace telvane {

enum ReceiveState {
  rfNone, rfInit, rf1Init1, rf2Init1, rf2Init1A, rf2Init1B, rf2Init2, rf2Init3, rfWaiting, rfAnswer,
  rf1SendCSI, rf1SendDIS, rf1CollFrms, rf1CollRtry1, rf1CollRtry2, rf1StrtTrn, rf1CollTrn, rf1Timeout,
  rf1Retrain, rf1FinTrn, rf1SendCFR, rf1WtPgCnnct, rf2ValCnnct, rf2GtSndID, rf2GtCnnct, rfStartPage,
  rfGtPgDta, rf1FinPage, rf1WaitEOP, rf1WritePage, rf1SendMCF, rf1WaitDCN, rf1WtHngp, rf2GtPgRslt,
  rf2GetFHNG, rfComplete, rfAbort, rfDone,
  rfAbortHungUp, rfReceiveStateCount
};

struct ReceiveSettings {
  int answerOnRing = 1;
  bool oneFax = false;
  bool constantStatus = false;
  int32_t answerWaitTicks = 1092;  // 60 s
};

class ReceiveMachine : public FaxMachine {
public:
  ReceiveMachine(TKovaBaseDispatcher& port, std::shared_ptr<FaxMachineHost> host, FaxSessionSettings settings,
                 ReceiveSettings receive);

protected:
  std::span<const FaxStateInfo> states() const override;
  int abortState() const override { return rfAbort; }
  void step(const FaxEvent& event) override;
  void firstStep() override;
  void modemLost() override;

private:
  bool onTimeOut();
  void onWaitingLine(const FaxEvent& event);
  void onPhaseBFrame(const FaxEvent& event);
  void collectTraining();
  void judgeTraining();
  void acceptCall();
  void receivePageData();
  void onPostPageFrame(const FaxEvent& event);
  void writePage();
  void onMcfSent();
  void endDocument();
  void fail(int code);
  // A broken call keeps the pages the caller was told arrived.
  void keepConfirmedPages();
  void abortCall();
  std::string pageModulation() const;
  uint8_t stored(uint8_t byte) const;
  // Class 2 and 2.0 (receive_class2.cpp).
  bool class2() const { return settings_.faxClass == fcClass2 || settings_.faxClass == fcClass2_0; }
  const Class2Vocabulary& words() const { return Class2Words(settings_.faxClass == fcClass2_0); }
  void stepClass2(const FaxEvent& event);
  void onClass2Report(const FaxEvent& event);
  void onPageResult();

  ReceiveSettings receive_;
  ReceivedFaxFile file_;
  int rings_ = 0;
  int retries_ = 0;
  int connectTries_ = 0;
  std::string remoteId_;
  t30::ReceivedDcs dcs_{};
  bool haveDcs_ = false;
  // Training check counts.
  uint64_t tcfBytes_ = 0, tcfNonZero_ = 0;
  bool afterDle_ = false;
  // The last post-page message: more pages follow, a new document (EOM).
  bool morePages_ = false, newDocument_ = false;
  uint8_t lastPpm_ = 0;
  uint8_t answer_ = 0;        // MCF, or RTN for a page with no data
  int confirmedPages_ = 0;    // pages of the open file answered with MCF
  bool userCancel_ = false;
  bool faxReceived_ = false;
  int page_ = 0;
  // Class 2/2.0: the modem's reports on the page just received.
  int pageStatus_ = -1;       // +FPTS/+FPS first value, -1 none yet
  int postPage_ = -1;         // +FET value, -1 none yet
  int fdrRepeats_ = 0;
};

}  // namespace telvane
