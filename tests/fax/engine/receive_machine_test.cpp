// The receive machine against a scripted Class 1 modem on the calling
// side: answering, the training check, pages into files, the post-page
// answers, and what is kept when a call goes wrong.

#include <gtest/gtest.h>

#include "fax/fax_codes.h"
#include "fax/receive_fax.h"
#include "fax/t30/hdlc_frame.h"
#include "fax/t30/session_params.h"
#include "faximage/apf_reader.h"
#include "platform/file_helpers.h"
#include "tests/fax/engine/engine_fixture.h"

namespace telvane::test {
namespace {

using namespace std::chrono_literals;
namespace fcf = t30::fcf;

constexpr uint8_t kDle = 0x10, kEtx = 0x03;

// Page data with DLE bytes in it, different for every page.
std::vector<uint8_t> PageData(int page) {
  std::vector<uint8_t> data;
  for (int i = 0; i < 3000; ++i) data.push_back(static_cast<uint8_t>((i * 7 + page * 13) % 251));
  return data;
}

std::vector<uint8_t> Shielded(const std::vector<uint8_t>& data) { return t30::ShieldForModem(data); }

// A training check of 1.5 s at 14400 bit/s with every `every`-th byte
// non-zero (0: all zero).
std::vector<uint8_t> Training(int every) {
  std::vector<uint8_t> tcf(2700, 0);
  if (every > 0)
    for (size_t i = 0; i < tcf.size(); i += static_cast<size_t>(every)) tcf[i] = 0x01;
  return Shielded(tcf);
}

class ReceiveMachineTest : public EngineFixture {
protected:
  ReceiveMachineTest() {
    attach(fax_);
    fax_.SetDestinationDir(dir_.path());
    fax_.SetOneFax(true);
    fax_.SetStationID("TELVANE");
  }

  void receive(const std::function<void(ScriptedModem&)>& script, std::chrono::milliseconds timeout = 60s) {
    run([this] { fax_.BeginReceive(); }, script, timeout);
  }

  // Init, rings, ATA, CSI and DIS; returns the DIS frame.
  std::vector<uint8_t> answer(ScriptedModem& m) {
    m.answerInit();
    m.expect("AT+FCLASS=1");
    m.reply("OK");
    m.reply("RING");
    m.expect("ATA");
    m.reply("CONNECT");
    csi_ = m.block();
    m.reply("CONNECT");
    std::vector<uint8_t> dis = m.block();
    m.reply("OK");
    return dis;
  }

  // TSI, DCS at 14400 fine, then the training check; returns the answer
  // to it (CFR or FTT).
  uint8_t phaseB(ScriptedModem& m, int trainingEvery = 0) {
    m.expect("AT+FRH=3");
    m.reply("CONNECT");
    m.frame(fcf::TSI | t30::kXBit, Ident("CALLER 7"), false);
    m.expect("AT+FRH=3");
    m.reply("CONNECT");
    const auto dcs = t30::EncodeDcs(t30::DcsParams{true, 6, true, false, 0});
    m.frame(fcf::DCS | t30::kXBit, dcs, true);
    m.expect("AT+FRM=145");
    m.reply("CONNECT");
    m.raw(Training(trainingEvery));
    m.reply("NO CARRIER");
    return answerFrame(m);
  }

  uint8_t answerFrame(ScriptedModem& m) {
    m.expect("AT+FTH=3");
    m.reply("CONNECT");
    const std::vector<uint8_t> frame = m.block();
    m.reply("OK");
    return frame.size() >= 3 ? frame[2] : 0;
  }

  // One page and its post-page message; returns the answer.
  uint8_t page(ScriptedModem& m, int number, uint8_t ppm) {
    m.expect("AT+FRM=146");
    m.reply("CONNECT");
    m.raw(Shielded(PageData(number)));
    m.reply("NO CARRIER");
    m.expect("AT+FRH=3");
    m.reply("CONNECT");
    m.frame(ppm | t30::kXBit, {}, true);
    return answerFrame(m);
  }

  void disconnect(ScriptedModem& m) {
    m.expect("AT+FRH=3");
    m.reply("CONNECT");
    m.frame(fcf::DCN | t30::kXBit, {}, true);
    m.expect("ATH");
    m.reply("OK");
  }


  TKovaReceiveFax fax_;
  std::vector<uint8_t> csi_;
};

TEST_F(ReceiveMachineTest, ReceivesTwoPagesIntoACompleteFile) {
  std::vector<uint8_t> dis;
  uint8_t cfr = 0, mcf1 = 0, mcf2 = 0;
  receive([&](ScriptedModem& m) {
    dis = answer(m);
    cfr = phaseB(m);
    mcf1 = page(m, 1, fcf::MPS);
    mcf2 = page(m, 2, fcf::EOP);
    disconnect(m);
  });
  EXPECT_EQ(events_.finishCode, 0);
  EXPECT_EQ(events_.logs, (std::vector<int>{4, 5}));
  EXPECT_EQ(cfr, fcf::CFR);
  EXPECT_EQ(mcf1, fcf::MCF);
  EXPECT_EQ(mcf2, fcf::MCF);
  // CSI, then a final DIS that offers what the modem modulates.
  ASSERT_EQ(csi_.size(), 23u);
  EXPECT_EQ(csi_[2], fcf::CSI);
  EXPECT_EQ(t30::DecodeIdent(std::span(csi_).subspan(3)), "TELVANE");
  ASSERT_GE(dis.size(), 6u);
  EXPECT_EQ(dis[1], t30::kControlFinal);
  const t30::DisCapabilities caps = t30::DecodeDis(std::span(dis).subspan(3));
  EXPECT_TRUE(caps.canReceive);
  EXPECT_TRUE(caps.rates[6]);
  EXPECT_TRUE(caps.fine);

  const auto pages = storedPages("FAX0001.APF");
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0], PageData(1));
  EXPECT_EQ(pages[1], PageData(2));
  ApfFileHeader header;
  ASSERT_EQ(ReadApfHeader(dir_.file("FAX0001.APF"), header), 0);
  EXPECT_EQ(header.stationId, "CALLER 7");
}

TEST_F(ReceiveMachineTest, AnswersOnTheSetRingAndCountsAcrossALostCall) {
  fax_.SetAnswerOnRing(3);
  bool early = false;
  receive([&](ScriptedModem& m) {
    m.answerInit();
    m.expect("AT+FCLASS=1");
    m.reply("OK");
    m.reply("RING");
    m.reply("NO CARRIER");
    m.reply("RING");
    early = !m.command(300ms).empty();
    m.reply("RING");
    m.expect("ATA");
    m.reply("NO CARRIER");  // the caller went away
    m.expect("ATH");
    m.reply("OK");
  });
  EXPECT_FALSE(early) << "answered before the third ring";
  EXPECT_NE(std::find(events_.statuses.begin(), events_.statuses.end(), fpNoConnect), events_.statuses.end());
  EXPECT_EQ(events_.finishCode, ecFaxNoCarrier);
}

struct TrainingCase {
  int every;        // every n-th byte non-zero
  uint8_t answer;   // CFR or FTT
};

class TrainingCheck : public ReceiveMachineTest, public ::testing::WithParamInterface<TrainingCase> {};

TEST_P(TrainingCheck, FewerThanTenPercentNonZeroBytesPass) {
  uint8_t judged = 0;
  receive([&](ScriptedModem& m) {
    answer(m);
    judged = phaseB(m, GetParam().every);
    if (judged == fcf::FTT) {
      // The caller gives up.
      m.expect("AT+FRH=3");
      m.reply("CONNECT");
      m.frame(fcf::DCN | t30::kXBit, {}, true);
    } else {
      m.expect("AT+FRM=146");
      m.reply("CONNECT");
      m.raw({kDle, kEtx});
      m.reply("NO CARRIER");
      m.expect("AT+FRH=3");
      m.reply("CONNECT");
      m.frame(fcf::DCN | t30::kXBit, {}, true);
    }
    m.expect("ATH");
    m.reply("OK");
  });
  EXPECT_EQ(judged, GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(Rates, TrainingCheck,
                         ::testing::Values(TrainingCase{0, fcf::CFR}, TrainingCase{20, fcf::CFR},
                                           TrainingCase{10, fcf::FTT}, TrainingCase{2, fcf::FTT}));

TEST_F(ReceiveMachineTest, RefusedCallCreatesNoFile) {
  fax_.OnFaxAccept = [](TKovaCustomReceiveFax&, bool& accept) { accept = false; };
  receive([&](ScriptedModem& m) {
    answer(m);
    m.expect("AT+FRH=3");
    m.reply("CONNECT");
    m.frame(fcf::DCS | t30::kXBit, t30::EncodeDcs(t30::DcsParams{true, 6, true, false, 0}), true);
    m.expect("AT+FRM=145");
    m.reply("CONNECT");
    m.raw(Training(0));
    m.reply("NO CARRIER");
    m.expect("ATH");
    m.reply("OK");
  });
  EXPECT_EQ(events_.finishCode, ecFileRejected);
  EXPECT_EQ(events_.logs, (std::vector<int>{6}));
  EXPECT_FALSE(dir_.exists("FAX0001.APF"));
}

TEST_F(ReceiveMachineTest, EachDocumentOfAnEomCallIsAFileOfItsOwn) {
  std::vector<std::string> logged;
  fax_.OnFaxLog = [&](TKovaCustomAbstractFax& sender, int code) {
    events_.logs.push_back(code);
    if (code == lfaxReceiveOk) logged.push_back(sender.GetFaxFile());
  };
  receive([&](ScriptedModem& m) {
    answer(m);
    phaseB(m);
    EXPECT_EQ(page(m, 1, fcf::EOM), fcf::MCF);
    // Phase B again: CSI and DIS, then the second document.
    m.expect("AT+FTH=3");
    m.reply("CONNECT");
    m.block();
    m.reply("CONNECT");
    m.block();
    m.reply("OK");
    phaseB(m);
    EXPECT_EQ(page(m, 2, fcf::EOP), fcf::MCF);
    disconnect(m);
  });
  EXPECT_EQ(events_.finishCode, 0);
  EXPECT_EQ(events_.logs, (std::vector<int>{4, 5, 4, 5}));
  ASSERT_EQ(logged.size(), 2u);
  EXPECT_EQ(logged[0], dir_.file("FAX0001.APF"));
  EXPECT_EQ(logged[1], dir_.file("FAX0002.APF"));
  EXPECT_EQ(storedPages("FAX0001.APF"), (std::vector<std::vector<uint8_t>>{PageData(1)}));
  EXPECT_EQ(storedPages("FAX0002.APF"), (std::vector<std::vector<uint8_t>>{PageData(2)}));
}

TEST_F(ReceiveMachineTest, FailureAfterConfirmedPagesKeepsThemAndOnlyThem) {
  speedUp(10);
  receive([&](ScriptedModem& m) {
    answer(m);
    phaseB(m);
    page(m, 1, fcf::MPS);
    page(m, 2, fcf::MPS);
    // Page 3 arrives, then the caller is gone: no post-page message.
    m.expect("AT+FRM=146");
    m.reply("CONNECT");
    m.raw(Shielded(PageData(3)));
    m.reply("NO CARRIER");
    m.expect("AT+FRH=3");
    m.expect("ATH", 20s);
    m.reply("OK");
  });
  EXPECT_EQ(events_.finishCode, ecTimeout);
  EXPECT_EQ(events_.logs, (std::vector<int>{4, 7}));
  EXPECT_EQ(storedPages("FAX0001.APF"), (std::vector<std::vector<uint8_t>>{PageData(1), PageData(2)}));
  EXPECT_EQ(fax_.StatusInfo().totalPages, 2);
}

TEST_F(ReceiveMachineTest, FailureBeforeAnyConfirmedPageLeavesNoFile) {
  speedUp(10);
  receive([&](ScriptedModem& m) {
    answer(m);
    phaseB(m);
    m.expect("AT+FRM=146");
    m.reply("CONNECT");
    m.raw(Shielded(PageData(1)));
    m.reply("NO CARRIER");
    m.expect("AT+FRH=3");
    m.reply("CONNECT");
    m.frame(fcf::DCN | t30::kXBit, {}, true);
    m.expect("ATH");
    m.reply("OK");
  });
  EXPECT_EQ(events_.finishCode, ecCancelRequested);
  EXPECT_EQ(events_.logs, (std::vector<int>{4, 7}));
  EXPECT_FALSE(dir_.exists("FAX0001.APF"));
}

TEST_F(ReceiveMachineTest, CounterNamingTakesTheNextFreeNumber) {
  dir_.write("FAX0001.APF", "x");
  dir_.write("FAX0002.APF", "x");
  EXPECT_EQ(fax_.DefaultFaxName(), dir_.file("FAX0003.APF"));
  fax_.SetFaxNameMode(0);
  EXPECT_EQ(fax_.DefaultFaxName(), dir_.file("noname.apf"));
}

TEST_F(ReceiveMachineTest, DestinationDirGetsItsSlashAndLosesAQuote) {
  fax_.SetDestinationDir("/tmp/faxes\"");
  EXPECT_EQ(fax_.DestinationDir(), "/tmp/faxes/");
}

}  // namespace
}  // namespace telvane::test
