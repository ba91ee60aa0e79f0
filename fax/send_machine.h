#pragma once
// The send machine: a job of one or more faxes, each dialled with redials,
// then (Class 1) the T.30 phases B to E run by this host (T.30 clause 5;
// the modem only modulates, T.31), the pages sent from fax image files with
// a header line on each.

#include <array>
#include <cstdint>
#include <string>

#include "fax/class2_vocabulary.h"
#include "fax/fax_machine.h"
#include "fax/outgoing_pages.h"
#include "fax/t30/header_line.h"

namespace telvane {

// The states, numbered as the dispatch log knows them; Class 2/2.0 slots
// are kept so the numbering stays. States from tfHangupDone on are this
// engine's own: the places a hang-up returns to.
enum SendState {
  tfNone, tfGetEntry, tfInit, tf1Init1, tf2Init1, tf2Init1A, tf2Init1B, tf2Init2, tf2Init3, tfDial,
  tfRetryWait, tf1Connect, tf1SendTSI, tf1TSIRespns, tf1DCSRspns, tf1TrainStrt, tf1TrainFnsh, tf1WaitCFR,
  tf1WaitPgCn, tf2Connect, tf2GetParams, tfWaitXon, tfWaitFrHead, tfSndPgeHdr, tfOpenCover, tfSendCover,
  tfPrepPage, tfSendPage, tfDrainPage, tf1PageEnd, tf1PrepEOP, tf1SendEOP, tf1WaitMPS, tf1WaitEOP,
  tf1WaitMCF, tf1SendDCN, tf1Hangup, tf1WaitHngp, tf2SendEOP, tf2WaitFPTS, tf2WaitFET, tf2WaitPgOK,
  tf2SndNwPrm, tf2NextPage, tf20ChckPg, tfClose, tfCompleteOK, tfAbort, tfDone,
  tfAbortHungUp, tfSendStateCount
};

struct SendSettings {
  bool toneDial = true;
  std::string dialPrefix;
  int32_t dialWaitTicks = 1092;       // 60 s
  int dialAttempts = 3;               // 0: unlimited
  int32_t dialRetryWaitTicks = 1092;  // 60 s
  int maxSendCount = 50;
  int bufferMinimum = 1000;
  std::string headerLine;
  std::string headerSender, headerRecipient, headerTitle;
  bool pageBreakMps = true;
  // The header's page numbers: a resumed fax goes on from where the first
  // try broke off ($P starts at headerFirstPage, $N is headerTotalPages
  // when not 0).
  int headerFirstPage = 1;
  int headerTotalPages = 0;
};

class SendMachine : public FaxMachine {
public:
  SendMachine(TKovaBaseDispatcher& port, std::shared_ptr<FaxMachineHost> host, FaxSessionSettings settings,
              SendSettings send);

protected:
  std::span<const FaxStateInfo> states() const override;
  int abortState() const override { return tfAbort; }
  void step(const FaxEvent& event) override;
  void firstStep() override;
  void modemLost() override;

private:
  // One handler per state group.
  void getEntry();
  void initFax();
  void dial();
  void onDialResponse(const FaxEvent& event);
  void onNoConnect(int code);
  void onPhaseBFrame(const t30::ParsedFrame& frame);
  void onTrainingResponse(const FaxEvent& event);
  void sendHead();
  void sendPageData();
  void endPage();
  void advancePage();
  void onPostPageResponse(const FaxEvent& event);
  void fail(int code);
  void abortFax();
  void closeFax();
  bool decodeDis(const t30::ParsedFrame& frame);
  void chooseRate(int index);
  std::string expandHeader() const;
  std::string expandTags(std::string_view line) const;
  int openPage(int number);
  bool openNextPage();
  void updatePageInfo();
  bool onTimeOut();
  void startPageData();
  void repeatTraining();
  bool pageFine(int number) const;
  // Class 2 and 2.0 (send_class2.cpp).
  bool class2() const { return settings_.faxClass == fcClass2 || settings_.faxClass == fcClass2_0; }
  const Class2Vocabulary& words() const { return Class2Words(settings_.faxClass == fcClass2_0); }
  void stepClass2(const FaxEvent& event);
  void onClass2Params(const FaxEvent& event);
  void onPageStatus(int value);
  void afterPageAccepted();
  // The receiver confirmed the current page.
  void pageConfirmed();
  bool expectsHangup() const;

  SendSettings send_;
  OutgoingPages pages_;
  std::string phone_, faxFile_, coverFile_;
  int currentPage_ = 1;
  int pageCount_ = 0;       // pages of the fax file
  int coverPages_ = 0;      // 1 with a cover page
  bool coverImage_ = false; // the cover is a fax image file
  bool morePages_ = false;
  int dialAttempt_ = 0;
  int ppmTries_ = 0;
  int dcsTries_ = 0;       // DCS and TCF without an answer at this rate
  int disRepeats_ = 0;     // DIS heard again instead of an answer
  uint8_t lastPpm_ = 0;
  bool userCancel_ = false;
  bool haveDis_ = false;
  t30::DisCapabilities remote_{};
  int rateIndex_ = 0;
  bool fine_ = false, wide_ = false;
  int scanCode_ = 0;
  uint64_t pageSent_ = 0;        // page bytes (unshielded) handed to the port
  uint64_t pageWritten_ = 0;     // bytes written for this page, fill included
  bool pageEnded_ = false;
  bool nextDiffers_ = false;     // the next page has another resolution
  int retransmissions_ = 0;      // of the current page (Class 2/2.0)
  int pageStatus_ = -1;          // the last page status report, -1 none
};

}  // namespace telvane
