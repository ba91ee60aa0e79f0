// Class 2 and 2.0 sessions against a scripted modem that runs T.30 itself:
// what the engine asks of it, and how it takes the modem's verdicts.

#include <gtest/gtest.h>

#include "fax/fax_codes.h"
#include "fax/receive_fax.h"
#include "fax/send_fax.h"
#include "tests/fax/engine/engine_fixture.h"

namespace telvane::test {
namespace {

using namespace std::chrono_literals;

constexpr uint8_t kDle = 0x10, kEtx = 0x03, kXon = 0x11, kDc2 = 0x12;

class Class2SendTest : public EngineFixture {
protected:
  Class2SendTest() {
    attach(fax_);
    fax_.SetPhoneNumber("5551234");
    fax_.SetHeaderLine("");
    fax_.SetDialAttempts(1);
  }

  void send(TFaxClass faxClass, const std::function<void(ScriptedModem&)>& script) {
    fax_.SetFaxClass(faxClass);
    run([this] { fax_.BeginSend(); }, script);
  }

  // Init, class, ID, parameters, dial; returns the commands seen.
  std::vector<std::string> setUp(ScriptedModem& m, bool class20) {
    std::vector<std::string> seen;
    m.expect("ATE0Q0V1X");
    m.reply("OK");
    for (std::string c; !(c = m.command()).empty();) {
      seen.push_back(c);
      if (c.starts_with("ATDT")) break;
      m.reply("OK");
    }
    m.reply(class20 ? "+FCO" : "+FCON");
    m.reply(class20 ? "+FCI:\"REMOTE 9\"" : "+FCSI:\"REMOTE 9\"");
    m.reply(class20 ? "+FIS:1,5,0,2,0,0,0,0" : "+FDIS:1,5,0,2,0,0,0,0");
    m.reply("OK");
    return seen;
  }

  // AT+FDT, the page data up to its end; returns the byte after DLE.
  int page(ScriptedModem& m, bool class20) {
    m.expect("AT+FDT");
    m.reply(class20 ? "+FCS:0,5,0,2,0,0,0,0" : "+FDCS:0,5,0,2,0,0,0,0");
    m.reply("CONNECT");
    if (!class20) m.raw({kXon});
    int last = -1;
    bool afterDle = false;
    for (int b; (b = m.rawByte()) >= 0;) {
      if (afterDle && b != kDle) {
        last = b;
        break;
      }
      afterDle = !afterDle && b == kDle;
    }
    ++pages_;
    return last;
  }

  TKovaSendFax fax_;
  int pages_ = 0;
};

TEST_F(Class2SendTest, Class2SetsUpWithoutFloAndFnrAndAsksNewParametersWhenTheResolutionChanges) {
  fax_.SetFaxFile(writeFax("mixed.apf", {false, true}));
  std::vector<std::string> seen;
  std::vector<std::string> afterPages;
  send(fcClass2, [&](ScriptedModem& m) {
    seen = setUp(m, false);
    EXPECT_EQ(page(m, false), kEtx);
    m.reply("OK");
    afterPages.push_back(m.command());  // AT+FET=1: new parameters follow
    m.reply("+FPTS:1");
    m.reply("OK");
    afterPages.push_back(m.command());  // AT+FDIS=1
    m.reply("OK");
    EXPECT_EQ(page(m, false), kEtx);
    m.reply("OK");
    afterPages.push_back(m.command());  // AT+FET=2
    m.reply("+FPTS:1");
    m.reply("+FHNG:0");
    m.reply("OK");
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"AT+FCLASS=2", "AT+FLID=\"+1 555 0100\"", "AT+FDIS=0,5,0,2,0,0,0,0",
                                            "ATDT5551234"}));
  EXPECT_EQ(afterPages, (std::vector<std::string>{"AT+FET=1", "AT+FDIS=1", "AT+FET=2"}));
  EXPECT_EQ(events_.finishCode, 0);
  EXPECT_EQ(fax_.StatusInfo().remoteId, "REMOTE 9");
}

TEST_F(Class2SendTest, Class20SetsUpWithFloAndFnrAndEndsPagesWithDlePostPageCharacters) {
  fax_.SetFaxFile(writeFax("three.apf", {false, false, true}));
  std::vector<std::string> seen;
  std::vector<int> endings;
  send(fcClass2_0, [&](ScriptedModem& m) {
    seen = setUp(m, true);
    endings.push_back(page(m, true));
    m.reply("+FPS:1,0,0,0,0");
    m.reply("OK");
    endings.push_back(page(m, true));
    m.reply("OK");
    m.expect("AT+FIS=1");
    m.reply("OK");
    endings.push_back(page(m, true));
    m.reply("+FHS:00");
    m.reply("OK");
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"AT+FCLASS=2.0", "AT+FLI=\"+1 555 0100\"", "AT+FLO=2", "AT+FNR=1,1,1,0",
                                            "AT+FIS=0,5,0,2,0,0,0,0", "ATDT5551234"}));
  EXPECT_EQ(endings, (std::vector<int>{',', ';', '.'}));
  EXPECT_EQ(events_.finishCode, 0);
}

TEST_F(Class2SendTest, RefusedPageIsSentAgainTwiceThenTheSessionIsTerminated) {
  fax_.SetFaxFile(writeFax("one.apf", 1, false));
  std::string terminate;
  send(fcClass2_0, [&](ScriptedModem& m) {
    setUp(m, true);
    for (int i = 0; i < 3; ++i) {
      page(m, true);
      m.reply("ERROR");  // RTN
      m.expect("AT+FPS?");
      m.reply("+FPS:2,0,0,0,0");
      m.reply("OK");
    }
    terminate = m.command();
    m.reply("OK");
    m.expect("ATH");
    m.reply("OK");
  });
  EXPECT_EQ(pages_, 3);
  EXPECT_EQ(terminate, "AT+FKS");
  EXPECT_EQ(events_.finishCode, ecFaxSessionError);
}

struct HangupCase {
  const char* name;
  std::vector<const char*> replies;  // after AT+FET=...
  bool more;                         // a second page follows
  int finish;
};

class Class2Hangups : public Class2SendTest, public ::testing::WithParamInterface<HangupCase> {};

// A non-zero hang-up code followed by OK is a failure; an early +FHNG:0 is
// no failure; and a page status without it decides alone.
TEST_P(Class2Hangups, DecideTheFaxTogetherWithThePageStatus) {
  const HangupCase& c = GetParam();
  fax_.SetFaxFile(writeFax("pages.apf", c.more ? 2 : 1, false));
  send(fcClass2, [&](ScriptedModem& m) {
    setUp(m, false);
    page(m, false);
    m.reply("OK");
    m.expect("AT+FET=");
    for (const char* reply : c.replies) m.reply(reply);
    if (c.finish != 0) {
      m.expect("ATH");
      m.reply("OK");
    } else if (c.more) {
      page(m, false);
      m.reply("OK");
      m.expect("AT+FET=2");
      m.reply("+FPTS:1");
      m.reply("OK");
    }
  });
  EXPECT_EQ(events_.finishCode, c.finish) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Reports, Class2Hangups,
    ::testing::Values(HangupCase{"non-zero code mid-fax", {"+FPTS:1", "+FHNG:50", "OK"}, true, ecFaxSessionError},
                      HangupCase{"non-zero code and no status", {"+FHNG:54", "OK"}, false, ecFaxSessionError},
                      HangupCase{"zero code before the status", {"+FHNG:0", "+FPTS:1", "OK"}, false, 0},
                      HangupCase{"zero code and no status", {"+FHNG:0", "OK"}, false, 0},
                      HangupCase{"accepted, more pages", {"+FPTS:1", "OK"}, true, 0},
                      HangupCase{"last page confirmed, then a code", {"+FPTS:1", "+FHNG:52", "OK"}, false, 0}));

class Class2ReceiveTest : public EngineFixture {
protected:
  Class2ReceiveTest() {
    attach(fax_);
    fax_.SetDestinationDir(dir_.path());
    fax_.SetOneFax(true);
    fax_.SetStationID("TELVANE");
  }

  void answer(ScriptedModem& m, bool class20) {
    m.expect("ATE0Q0V1X");
    m.reply("OK");
    // Preparation, then the class again with its settings, until waiting.
    for (std::string c; !(c = m.command()).empty();) {
      m.reply("OK");
      if (c.starts_with("AT+FNR") || (!class20 && c.starts_with("AT+FDCC"))) break;
    }
    m.reply("RING");
    m.expect("ATA");
    m.reply(class20 ? "+FCO" : "+FCON");
    m.reply(class20 ? "+FTI:\"CALLER 7\"" : "+FTSI:\"CALLER 7\"");
    m.reply(class20 ? "+FCS:0,5,0,2,0,0,0,0" : "+FDCS:0,5,0,2,0,0,0,0");
    m.reply("OK");
  }

  // AT+FDR, CONNECT, DC2 from the engine, then the page's bytes as the
  // modem hands them over.
  void page(ScriptedModem& m, const std::vector<uint8_t>& bytes) {
    m.expect("AT+FDR");
    m.reply("CONNECT");
    EXPECT_EQ(m.rawByte(), kDc2);
    std::vector<uint8_t> data;
    for (uint8_t b : bytes) {
      data.push_back(b);
      if (b == kDle) data.push_back(kDle);
    }
    data.push_back(kDle);
    data.push_back(kEtx);
    m.raw(data);
  }


  TKovaReceiveFax fax_;
};

uint8_t Reversed(uint8_t b) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i)
    if (b & (1 << i)) r |= static_cast<uint8_t>(0x80 >> i);
  return r;
}

TEST_F(Class2ReceiveTest, Class2PagesAreStoredBitReversedAndARefusedPageLeavesNoTrace) {
  const std::vector<uint8_t> first = {0x01, 0x10, 0x80, 0x33};
  const std::vector<uint8_t> second = {0x02, 0x04, 0x10, 0x10, 0x55};
  const std::vector<uint8_t> third = {0x0F, 0xF0};
  auto onWire = [](std::vector<uint8_t> v) {
    for (uint8_t& b : v) b = Reversed(b);
    return v;
  };
  fax_.SetFaxClass(fcClass2);
  run([this] { fax_.BeginReceive(); },
      [&](ScriptedModem& m) {
        answer(m, false);
        page(m, onWire(first));
        m.reply("+FPTS:2");  // refused: the caller sends it again
        m.reply("+FET:0");
        m.reply("OK");
        page(m, onWire(second));
        m.reply("+FPTS:1");
        m.reply("+FET:3");  // MPS with a procedure interrupt request
        m.reply("OK");
        page(m, onWire(third));
        m.reply("+FPTS:1");
        m.reply("+FET:2");
        m.reply("OK");
        m.expect("AT+FDR");
        m.reply("+FHNG:0");
        m.reply("OK");
      });
  EXPECT_EQ(events_.finishCode, 0);
  EXPECT_EQ(storedPages("FAX0001.APF"), (std::vector<std::vector<uint8_t>>{second, third}));
  EXPECT_EQ(fax_.StatusInfo().remoteId, "CALLER 7");
}

TEST_F(Class2ReceiveTest, Class20HangupCodeIsKeptAsTextAndConfirmedPagesStay) {
  const std::vector<uint8_t> first = {0x01, 0x02, 0x03};
  fax_.SetFaxClass(fcClass2_0);
  run([this] { fax_.BeginReceive(); },
      [&](ScriptedModem& m) {
        answer(m, true);
        page(m, first);  // 2.0 delivers the line's bit order
        m.reply("+FPS:1,0,0,0,0");
        m.reply("+FET:0");
        m.reply("OK");
        m.expect("AT+FDR");
        m.reply("+FHS:A0");
        m.expect("ATH");
        m.reply("OK");
      });
  EXPECT_EQ(events_.finishCode, ecFaxSessionError);
  EXPECT_EQ(fax_.StatusInfo().hangupCode, "A0");
  EXPECT_EQ(storedPages("FAX0001.APF"), (std::vector<std::vector<uint8_t>>{first}));
}

}  // namespace
}  // namespace telvane::test
