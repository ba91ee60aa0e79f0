// The send machine against a scripted Class 1 modem: the T.30 dialogue as
// the far end sees it, and every way a call can end.

#include <gtest/gtest.h>

#include <atomic>
#include <unistd.h>

#include "fax/fax_codes.h"
#include "fax/send_fax.h"
#include "fax/t30/session_params.h"
#include "serial/kova_exceptions.h"
#include "tests/fax/engine/engine_fixture.h"

namespace telvane::test {
namespace {

using namespace std::chrono_literals;
namespace fcf = t30::fcf;

class SendMachineTest : public EngineFixture {
protected:
  SendMachineTest() {
    attach(fax_);
    fax_.SetPhoneNumber("5551234");
    fax_.SetHeaderLine("");
    fax_.SetDialAttempts(1);
  }

  void send(const std::function<void(ScriptedModem&)>& script, std::chrono::milliseconds timeout = 60s) {
    run([this] { fax_.BeginSend(); }, script, timeout);
  }

  // Dial, hear CSI and `dis`, answer with TSI and DCS; returns the DCS.
  std::vector<uint8_t> negotiate(ScriptedModem& m, const std::vector<uint8_t>& dis = FullDis()) {
    m.expect("AT+FCLASS=1");
    m.reply("OK");
    m.expect("ATDT5551234");
    m.reply("CONNECT");
    m.frame(fcf::CSI, Ident("REMOTE 42"), false);
    m.expect("AT+FRH=3");
    m.reply("CONNECT");
    m.frame(fcf::DIS, dis, true);
    m.expect("AT+FTH=3");
    m.reply("CONNECT");
    tsi_ = m.block();
    m.reply("CONNECT");
    std::vector<uint8_t> dcs = m.block();
    m.reply("OK");
    return dcs;
  }

  // One training: returns the +FTM modulation used for the TCF.
  std::string train(ScriptedModem& m, uint8_t answer) {
    const std::string ftm = m.expect("AT+FTM=");
    m.reply("CONNECT");
    tcf_ = m.block();
    m.reply("OK");
    m.expect("AT+FRH=3");
    m.reply("CONNECT");
    m.frame(answer, {}, true);
    return ftm.substr(7);
  }

  // Takes one page after CFR or MCF; returns the post-page message's FCF.
  uint8_t page(ScriptedModem& m, uint8_t answer = fcf::MCF) {
    m.expect("AT+FTM=");
    m.reply("CONNECT");
    pages_.push_back(m.block(30s));
    m.reply("OK");
    m.expect("AT+FTH=3");
    m.reply("CONNECT");
    const std::vector<uint8_t> ppm = m.block();
    m.reply("OK");
    m.expect("AT+FRH=3");
    m.reply("CONNECT");
    m.frame(answer, {}, true);
    return ppm.size() >= 3 ? static_cast<uint8_t>(ppm[2] & ~t30::kXBit) : 0;
  }

  void disconnect(ScriptedModem& m) {
    m.expect("AT+FTH=3");
    m.reply("CONNECT");
    dcn_ = m.block();
    m.reply("OK");
    m.expect("ATH");
    m.reply("OK");
  }

  TKovaSendFax fax_;
  std::vector<uint8_t> tsi_, tcf_, dcn_;
  std::vector<std::vector<uint8_t>> pages_;
};

TEST_F(SendMachineTest, SendsTwoPagesWithTsiDcsTrainingMpsEopAndDcn) {
  fax_.SetFaxFile(writeFax("two.apf", 2, true));
  std::vector<uint8_t> dcs;
  std::string training;
  uint8_t ppm1 = 0, ppm2 = 0;
  send([&](ScriptedModem& m) {
    m.answerInit();
    dcs = negotiate(m);
    training = train(m, fcf::CFR);
    ppm1 = page(m);
    ppm2 = page(m);
    disconnect(m);
  });
  EXPECT_EQ(events_.finishCode, 0);
  EXPECT_TRUE(events_.errors.empty());
  EXPECT_EQ(events_.logs, (std::vector<int>{1, 2}));

  // TSI: non-final, X bit set, the ID right-aligned and reversed.
  ASSERT_EQ(tsi_.size(), 23u);
  EXPECT_EQ(tsi_[1], t30::kControlNonFinal);
  EXPECT_EQ(tsi_[2], fcf::TSI | t30::kXBit);
  EXPECT_EQ(t30::DecodeIdent(std::span(tsi_).subspan(3)), "+1 555 0100");
  // DCS: final, V.17 14400 with fine resolution, trained with long training.
  ASSERT_GE(dcs.size(), 6u);
  EXPECT_EQ(dcs[1], t30::kControlFinal);
  EXPECT_EQ(dcs[2], fcf::DCS | t30::kXBit);
  const t30::ReceivedDcs chosen = t30::DecodeDcs(std::span(dcs).subspan(3));
  EXPECT_EQ(chosen.params.rateIndex, 6);
  EXPECT_TRUE(chosen.params.fine);
  EXPECT_EQ(training, "145");
  // TCF: 1.5 s of zeros at 14400 bit/s.
  EXPECT_EQ(tcf_.size(), 144u * 18u);
  EXPECT_TRUE(std::all_of(tcf_.begin(), tcf_.end(), [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(ppm1, fcf::MPS);
  EXPECT_EQ(ppm2, fcf::EOP);
  ASSERT_EQ(dcn_.size(), 3u);
  EXPECT_EQ(dcn_[2] & ~t30::kXBit, fcf::DCN);
  // Each page begins with eight blank lines and carries every coded line.
  ASSERT_EQ(pages_.size(), 2u);
  const uint8_t blank[] = {0x00, 0x80, 0xB2, 0x59, 0x01, 0x00};
  EXPECT_TRUE(std::equal(std::begin(blank), std::end(blank), pages_[0].begin()));
  EXPECT_GT(pages_[0].size(), 40u * 6u);
}

TEST_F(SendMachineTest, TextCoverGoesFirstAsAPageOfItsOwn) {
  fax_.SetFaxFile(writeFax("one.apf", 1, false));
  dir_.write("cover.txt", "To: $R\nPage $P of $N\n");
  fax_.SetCoverFile(dir_.file("cover.txt"));
  fax_.SetHeaderRecipient("ACCOUNTS");
  std::vector<uint8_t> ppms;
  send([&](ScriptedModem& m) {
    m.answerInit();
    negotiate(m);
    train(m, fcf::CFR);
    ppms.push_back(page(m));
    ppms.push_back(page(m));
    disconnect(m);
  });
  EXPECT_EQ(events_.finishCode, 0);
  EXPECT_EQ(ppms, (std::vector<uint8_t>{fcf::MPS, fcf::EOP}));
  ASSERT_EQ(pages_.size(), 2u);
  // Two text lines of 16 rows each after the blank lines, then RTC.
  EXPECT_GT(pages_[0].size(), 8u * 6u + 32u * 4u);
  EXPECT_EQ(fax_.StatusInfo().totalPages, 2);
}

TEST_F(SendMachineTest, AfterEomTheSenderWaitsForTheNewDisBeforeItsDcs) {
  fax_.SetPageBreakMPS(false);
  fax_.SetFaxFile(writeFax("two.apf", 2, false));
  uint8_t ppm1 = 0;
  std::vector<uint8_t> secondDcs;
  send([&](ScriptedModem& m) {
    m.answerInit();
    negotiate(m);
    train(m, fcf::CFR);
    ppm1 = page(m);
    // Phase B again, started by the called station.
    m.expect("AT+FRH=3");
    m.reply("CONNECT");
    m.frame(fcf::DIS, FullDis(), true);
    m.expect("AT+FTH=3");
    m.reply("CONNECT");
    m.block();  // TSI
    m.reply("CONNECT");
    secondDcs = m.block();
    m.reply("OK");
    train(m, fcf::CFR);
    page(m);
    disconnect(m);
  });
  EXPECT_EQ(ppm1, fcf::EOM);
  ASSERT_GE(secondDcs.size(), 3u);
  EXPECT_EQ(secondDcs[2], fcf::DCS | t30::kXBit);
  EXPECT_EQ(events_.finishCode, 0);
}

TEST_F(SendMachineTest, FttStepsDownThroughEveryRateThenFailsUntrained) {
  fax_.SetFaxFile(writeFax("one.apf", 1, false));
  std::vector<std::string> trainings;
  std::vector<int> rates;
  send([&](ScriptedModem& m) {
    m.answerInit();
    std::vector<uint8_t> dcs = negotiate(m);
    for (int i = 0; i < 6; ++i) {
      rates.push_back(t30::DecodeDcs(std::span(dcs).subspan(3)).params.rateIndex);
      trainings.push_back(train(m, fcf::FTT));
      if (i == 5) break;
      // A new DCS at the next rate.
      m.expect("AT+FTH=3");
      m.reply("CONNECT");
      dcs = m.block();
      m.reply("OK");
    }
    m.expect("ATH");
    m.reply("OK");
  });
  EXPECT_EQ(trainings, (std::vector<std::string>{"145", "121", "96", "72", "48", "24"}));
  EXPECT_EQ(rates, (std::vector<int>{6, 5, 4, 3, 2, 1}));
  EXPECT_EQ(events_.finishCode, ecFaxTrainError);
  EXPECT_EQ(events_.logs, (std::vector<int>{1, 3}));
}

TEST_F(SendMachineTest, DesiredRateCapsTheFirstChoice) {
  fax_.SetDesiredBPS(9600);
  fax_.SetFaxFile(writeFax("one.apf", 1, false));
  std::string training;
  send([&](ScriptedModem& m) {
    m.answerInit();
    negotiate(m);
    training = train(m, fcf::DCN);
    m.expect("ATH");
    m.reply("OK");
  });
  EXPECT_EQ(training, "96");
  EXPECT_EQ(events_.finishCode, ecCancelRequested);
}

TEST_F(SendMachineTest, BusyNumberIsRedialledAfterTheRetryWaitThenFails) {
  speedUp(60);
  fax_.SetFaxFile(writeFax("one.apf", 1, false));
  fax_.SetDialAttempts(3);
  fax_.SetDialRetryWait(60);
  std::vector<uint64_t> dialledAt;
  send([&](ScriptedModem& m) {
    m.answerInit();
    for (int i = 0; i < 3; ++i) {
      m.expect("AT+FCLASS=1");
      m.reply("OK");
      m.expect("ATDT5551234");
      dialledAt.push_back(CurrentClock().milliseconds());
      m.reply("BUSY");
    }
  });
  ASSERT_EQ(dialledAt.size(), 3u);
  EXPECT_GE(dialledAt[1] - dialledAt[0], 59'000u);
  EXPECT_GE(dialledAt[2] - dialledAt[1], 59'000u);
  EXPECT_EQ(events_.finishCode, ecFaxBusy);
  EXPECT_NE(std::find(events_.statuses.begin(), events_.statuses.end(), fpBusyWait), events_.statuses.end());
}

struct DialOutcome {
  const char* result;
  int code;
  bool hangsUp;  // busy and no answer leave the modem idle already
};

class DialOutcomes : public SendMachineTest, public ::testing::WithParamInterface<DialOutcome> {};

TEST_P(DialOutcomes, EndTheFaxWithTheirOwnCode) {
  fax_.SetFaxFile(writeFax("one.apf", 1, false));
  send([&](ScriptedModem& m) {
    m.answerInit();
    m.expect("AT+FCLASS=1");
    m.reply("OK");
    m.expect("ATDT5551234");
    m.reply(GetParam().result);
    if (GetParam().hangsUp) {
      m.expect("ATH");
      m.reply("OK");
    }
  });
  EXPECT_EQ(events_.finishCode, GetParam().code);
  ASSERT_FALSE(events_.errors.empty());
  EXPECT_EQ(events_.errors.back(), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Results, DialOutcomes,
                         ::testing::Values(DialOutcome{"BUSY", ecFaxBusy, false},
                                           DialOutcome{"NO ANSWER", ecFaxNoAnswer, false},
                                           DialOutcome{"NO DIALTONE", ecFaxNoDialTone, true},
                                           DialOutcome{"VOICE", ecFaxVoiceCall, true},
                                           DialOutcome{"NO CARRIER", ecFaxNoCarrier, true},
                                           DialOutcome{"ERROR", ecFaxBadModemResult, true}));

TEST_F(SendMachineTest, RtnAfterAPageFailsTheFax) {
  fax_.SetFaxFile(writeFax("one.apf", 1, false));
  send([&](ScriptedModem& m) {
    m.answerInit();
    negotiate(m);
    train(m, fcf::CFR);
    page(m, fcf::RTN);
    m.expect("ATH");
    m.reply("OK");
  });
  EXPECT_EQ(events_.finishCode, ecFaxSessionError);
}

TEST_F(SendMachineTest, UnansweredPostPageMessageIsSentThreeTimesThenTimesOut) {
  speedUp(10);
  fax_.SetFaxFile(writeFax("one.apf", 1, false));
  int ppms = 0;
  int cancels = 0;
  send([&](ScriptedModem& m) {
    m.answerInit();
    negotiate(m);
    train(m, fcf::CFR);
    m.expect("AT+FTM=");
    m.reply("CONNECT");
    m.block();
    m.reply("OK");
    std::string next = m.command();
    while (next == "AT+FTH=3") {
      m.reply("CONNECT");
      if (!m.block().empty()) ++ppms;
      m.reply("OK");
      m.expect("AT+FRH=3");
      // Nothing is heard: the engine cancels the reception with a byte
      // and repeats its message.
      next = m.command();
      cancels = m.cancelBytes();
    }
    EXPECT_EQ(next, "ATH");
    m.reply("OK");
  });
  EXPECT_EQ(cancels, 3);
  EXPECT_EQ(ppms, 3);
  EXPECT_EQ(events_.finishCode, ecTimeout);
}

TEST_F(SendMachineTest, FinePageToARemoteWithoutFineIsRefusedAndHungUp) {
  fax_.SetFaxFile(writeFax("fine.apf", 1, true));
  t30::DisOffer offer;
  offer.rates.fill(true);
  offer.fine = false;
  const auto dis = t30::EncodeDis(offer);
  send([&](ScriptedModem& m) {
    m.answerInit();
    m.expect("AT+FCLASS=1");
    m.reply("OK");
    m.expect("ATDT5551234");
    m.reply("CONNECT");
    m.frame(fcf::DIS, dis, true);
    m.expect("ATH");
    m.reply("OK");
  });
  EXPECT_EQ(events_.finishCode, ecFaxBadMachine);
}

TEST_F(SendMachineTest, AFcErrorIsListenedThroughAndAnUnreadableCfrRepeatsTheTraining) {
  fax_.SetFaxFile(writeFax("one.apf", 1, false));
  std::vector<std::string> trainings;
  send([&](ScriptedModem& m) {
    m.answerInit();
    negotiate(m);
    m.expect("AT+FTM=145");
    m.reply("CONNECT");
    m.block();
    m.reply("OK");
    m.expect("AT+FRH=3");
    m.reply("+FCERROR");  // still the training carrier: listen again
    m.expect("AT+FRH=3");
    m.reply("CONNECT");
    m.frame(fcf::CFR, {}, true, false);  // damaged on the line
    // DCS and TCF again, at the same rate.
    m.expect("AT+FTH=3");
    m.reply("CONNECT");
    m.block();
    m.reply("OK");
    trainings.push_back(train(m, fcf::CFR));
    page(m);
    disconnect(m);
  });
  EXPECT_EQ(trainings, (std::vector<std::string>{"145"}));
  EXPECT_EQ(events_.finishCode, 0);
}

TEST_F(SendMachineTest, FaxFileCutShortMidPageEndsTheDataAndHangsUp) {
  const std::string file = writeFax("cut.apf", 1, false);
  ASSERT_EQ(::truncate(file.c_str(), 64 + 16 + 100), 0);
  fax_.SetFaxFile(file);
  send([&](ScriptedModem& m) {
    m.answerInit();
    negotiate(m);
    train(m, fcf::CFR);
    m.expect("AT+FTM=");
    m.reply("CONNECT");
    m.block();  // the page data stops with DLE ETX
    m.reply("OK");
    m.expect("ATH");
    m.reply("OK");
  });
  EXPECT_EQ(events_.finishCode, ecFaxBadFormat);
  EXPECT_EQ(events_.logs, (std::vector<int>{1, 3}));
}

TEST_F(SendMachineTest, JunkAndOverlongLinesFromTheModemAreIgnoredAndATruncatedDisRefused) {
  fax_.SetFaxFile(writeFax("one.apf", 1, false));
  const std::vector<uint8_t> truncatedDis = {0x00};
  send([&](ScriptedModem& m) {
    m.answerInit();
    m.expect("AT+FCLASS=1");
    m.reply("OK");
    m.expect("ATDT5551234");
    m.reply(std::string(2000, 'Z'));
    m.raw({0x00, 0xFF, 0x13, 0x10, 0x10, 0x7F, 0x80});
    m.reply("+FCSI:\"BROOKLYN OK\"");
    m.reply("CONNECT");
    m.frame(fcf::DIS, truncatedDis, true);
    m.expect("ATH");
    m.reply("OK");
  });
  EXPECT_EQ(events_.finishCode, ecFaxBadMachine);
}

TEST_F(SendMachineTest, ModemThatCannotListItsModulationsIsAnInitError) {
  fax_.SetFaxFile(writeFax("one.apf", 1, false));
  send([&](ScriptedModem& m) {
    m.expect("ATE0Q0V1X");
    m.reply("OK");
    m.expect("AT+FCLASS=1");
    m.reply("OK");
    m.expect("AT+FTM=?");
    m.reply("ERROR");
  });
  EXPECT_EQ(events_.finishCode, ecFaxInitError);
}

TEST_F(SendMachineTest, AnInitAnswerThatIsNotOkIsNoSuccess) {
  // A line other than OK followed by ERROR once counted as success.
  fax_.SetModemInit("&F");
  fax_.SetFaxFile(writeFax("one.apf", 1, false));
  send([&](ScriptedModem& m) {
    m.expect("AT&F");
    m.reply("SOMETHING");
    m.reply("ERROR");
  });
  EXPECT_EQ(events_.finishCode, ecFaxInitError);
}

TEST_F(SendMachineTest, ClassDetectionPicksTheHighestClassOffered) {
  int bits = 0;
  run([&] { bits = fax_.ModemFaxClasses(); events_.finished = true; },
      [](ScriptedModem& m) {
        m.expect("ATE0Q0V1X4S0=0S2=43");
        m.reply("OK");
        m.expect("AT+FCLASS=?");
        m.reply("0,1,2,2.0");
        m.reply("OK");
      });
  EXPECT_EQ(bits, kFaxClassBit1 | kFaxClassBit2 | kFaxClassBit2_0);
  // Remembered: no second question.
  EXPECT_EQ(fax_.ModemFaxClasses(), bits);
}

TEST_F(SendMachineTest, CancelWhileDiallingHangsUpAndReportsTheCancel) {
  fax_.SetFaxFile(writeFax("one.apf", 1, false));
  std::atomic<bool> dialled{false};
  run(
      [&] {
        fax_.BeginSend();
        ASSERT_TRUE(WaitFor([&] { return dialled.load(); }, 10s));
        fax_.AbortFax();
      },
      [&](ScriptedModem& m) {
        m.answerInit();
        m.expect("AT+FCLASS=1");
        m.reply("OK");
        m.expect("ATDT5551234");
        dialled = true;
        m.expect("ATH");
        m.reply("OK");
      });
  EXPECT_EQ(events_.finishCode, ecCancelRequested);
  EXPECT_EQ(events_.logs, (std::vector<int>{1, 3}));
}

TEST_F(SendMachineTest, MissingPortAndSmallOutputBufferRaise) {
  TKovaSendFax unattached;
  EXPECT_THROW(unattached.BeginSend(), EPortNotAssigned);
  port_.SetOutSize(4096);
  EXPECT_THROW(fax_.BeginSend(), EOutputBufferTooSmall);
}

}  // namespace
}  // namespace telvane::test
