// The virtual modem as a program sees it over the pty: its AT dialogue,
// bad input, the dialling outcomes and ringing, and hang-up by DTR drop.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tests/modem/pty_client.h"
#include "tests/modem/virtual_modem_harness.h"
#include "tests/support/temp_dir.h"

namespace telvane::test {
namespace {

using namespace std::chrono_literals;

const std::string kDle = "\x10";
const std::string kDleEtx = "\x10\x03";

struct Exchange {
  const char* command;
  const char* answer;  // expected in the reply; "" for no reply at all
};

size_t count(const std::string& text, std::string_view what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

bool waitForCount(PtyClient& client, std::string_view what, size_t times, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (count(client.received(), what) < times) {
    if (std::chrono::steady_clock::now() >= end) return false;
    client.waitFor("\x01never\x02", 50ms);
  }
  return true;
}

class ModemDialogue : public ::testing::Test {
protected:
  void start(std::vector<std::string> options) {
    modem_ = std::make_unique<VirtualModemRun>(dir_.path(), std::move(options));
    ASSERT_TRUE(modem_->started());
    client_ = std::make_unique<PtyClient>(modem_->port());
    ASSERT_TRUE(client_->isOpen());
  }
  void expectStillAnswers() {
    EXPECT_NE(client_->command("AT").find("OK"), std::string::npos) << modem_->log();
    EXPECT_TRUE(modem_->process().running());
  }

  TempDir dir_;
  std::unique_ptr<VirtualModemRun> modem_;
  std::unique_ptr<PtyClient> client_;
};

TEST_F(ModemDialogue, AnswersTheCommandsOfAFaxProgramAsAModemDoes) {
  start({"--classes", "0,1,2,2.0", "--manufacturer", "ACME", "--model", "FX-1", "--revision", "3.1"});
  const Exchange table[] = {
      {"AT", "OK"},
      {"ATE0Q0V1X4S0=0S2=43", "OK"},
      {"AT+FCLASS=?", "\r\n0,1,2,2.0\r\n\r\nOK\r\n"},
      {"AT+FMFR?", "\r\nACME\r\n\r\nOK\r\n"},
      {"AT+FMDL?", "\r\nFX-1\r\n"},
      {"AT+FREV?", "\r\n3.1\r\n"},
      {"AT+FMI?", "\r\nACME\r\n"},
      {"AT+FMM?", "\r\nFX-1\r\n"},
      {"AT+FMR?", "\r\n3.1\r\n"},
      {"ATI3", "ACME"},
      // Line and flow-control options a pty has nothing behind.
      {"AT&F&C1&D2&K3", "OK"},
      {"ATE0", "\r\nOK\r\n"},
      {"AT&F&C1&D2\\Q3", "OK"},
      {"AT&H3&I2&R2", "OK"},
      {"ATE0V0", "0\r"},
      {"AT", "0\r"},
      {"ATV1", "\r\nOK\r\n"},
      {"ATS0=2", "OK"},
      {"ATS0?", "002"},
      {"AT+FCLASS=1", "OK"},
      {"AT+FCLASS?", "\r\n1\r\n"},
      {"AT+FTM=?", "24,48,72,73,74,96,97,98,121,122,145,146"},
      {"AT+FRM=?", "24,48,72,73,74,96,97,98,121,122,145,146"},
      {"ATH", "OK"},
      {"ATZ", "OK"},
  };
  for (const Exchange& row : table) {
    // Numeric result codes (V0) end without "OK": no need to wait long.
    const bool numeric = std::string_view(row.answer) == "0\r";
    const std::string reply = client_->command(row.command, numeric ? 1s : 5s);
    EXPECT_NE(reply.find(row.answer), std::string::npos) << row.command << " answered " << ::testing::PrintToString(reply);
  }
  // Quiet: no result codes at all.
  client_->command("ATE0Q1", 1s);
  EXPECT_EQ(client_->command("AT", 500ms), "");
  EXPECT_NE(client_->command("ATQ0").find("OK"), std::string::npos);
}

TEST_F(ModemDialogue, OffersOnlyTheAdvertisedClasses) {
  start({});
  client_->command("ATE0");
  EXPECT_NE(client_->command("AT+FCLASS=?").find("\r\n0,1\r\n"), std::string::npos);
  EXPECT_NE(client_->command("AT+FCLASS=2").find("ERROR"), std::string::npos);
  EXPECT_NE(client_->command("AT+FCLASS=2.0").find("ERROR"), std::string::npos);
  EXPECT_NE(client_->command("AT+FCLASS=1").find("OK"), std::string::npos);
}

TEST_F(ModemDialogue, AnswersTheClass2And20Commands) {
  start({"--classes", "0,1,2,2.0"});
  client_->command("ATE0");
  const Exchange class20[] = {
      {"AT+FCLASS=2.0", "OK"},
      {"AT+FCLASS?", "\r\n2.0\r\n"},
      {"AT+FIP", "OK"},
      {"AT+FLO=2", "OK"},
      {"AT+FNR=1,1,1,0", "OK"},
      {"AT+FCR=1", "OK"},
      {"AT+FAA=0", "OK"},
      {"AT+FLI=\"+1 555 0100\"", "OK"},
      {"AT+FLI?", "\"+1 555 0100\""},
      {"AT+FCC=1,3,0,2,0,0,0,0", "OK"},
      {"AT+FIS?", "\r\n1,3,0,2,0,0,0,0\r\n"},
      {"AT+FCC=?", "(0,1),(0-5)"},
      {"AT+FDT", "ERROR"},   // no call
      {"AT+FDR", "ERROR"},
      {"AT+FKS", "OK"},
  };
  for (const Exchange& row : class20) {
    const std::string reply = client_->command(row.command);
    EXPECT_NE(reply.find(row.answer), std::string::npos) << row.command << " answered " << ::testing::PrintToString(reply);
  }
  const Exchange class2[] = {
      {"AT+FCLASS=2", "OK"},
      {"AT+FCLASS?", "\r\n2\r\n"},
      {"AT+FLID=\"ABC\"", "OK"},
      {"AT+FLID?", "\"ABC\""},
      {"AT+FDCC=1,5,0,2,0,0,0,0", "OK"},
      {"AT+FDIS?", "\r\n1,5,0,2,0,0,0,0\r\n"},
      {"AT+FET=2", "ERROR"},  // no page sent
      {"ATZ", "OK"},
      {"AT+FCLASS?", "\r\n0\r\n"},
  };
  for (const Exchange& row : class2) {
    const std::string reply = client_->command(row.command);
    EXPECT_NE(reply.find(row.answer), std::string::npos) << row.command << " answered " << ::testing::PrintToString(reply);
  }
}

TEST_F(ModemDialogue, ErrorAnswersBadInputAndTheModemStaysUsable) {
  start({});
  client_->command("ATE0");
  EXPECT_NE(client_->command("AT" + std::string(300, 'X')).find("ERROR"), std::string::npos);
  EXPECT_NE(client_->command(std::string("\x01\xff\x80garbage", 10)).find("ERROR"), std::string::npos);
  EXPECT_NE(client_->command("AT" + kDleEtx + "E0").find("ERROR"), std::string::npos);
  EXPECT_NE(client_->command("AT+FCLASS=1" + kDle + "Z").find("ERROR"), std::string::npos);
  // A long stretch of binary without any CR, then one.
  std::string noise;
  for (int i = 0; i < 65536; ++i) noise.push_back(static_cast<char>((i * 7919) & 0xFF) == '\r' ? 'x' : static_cast<char>((i * 7919) & 0xFF));
  client_->write(noise);
  EXPECT_NE(client_->command("").find("ERROR"), std::string::npos);
  expectStillAnswers();
}

TEST_F(ModemDialogue, OverlongHdlcFrameIsCutAndACommandAfterDleEtxIsKept) {
  start({"--answer-after-rings", "0"});
  client_->command("ATE0");
  client_->command("AT+FCLASS=1");
  // Dialling connects to the far end's fax answer: its DIS arrives as frames.
  ASSERT_NE(client_->command("ATD555", 20s).find("CONNECT"), std::string::npos) << modem_->log();
  ASSERT_TRUE(client_->waitFor("OK\r\n", 20s)) << client_->received();

  ASSERT_NE(client_->command("AT+FTH=3").find("CONNECT"), std::string::npos);
  // 1000 bytes of frame: far beyond the modem's 284-byte frame buffer; as
  // a non-final frame it is cut, sent, and the modem asks for the next.
  client_->clear();
  client_->write("\xff\x03" + std::string(1000, 'A') + kDleEtx);
  ASSERT_TRUE(client_->waitFor("CONNECT\r\n", 10s)) << ::testing::PrintToString(client_->received());
  // A final frame (DCN) with a command in the same write: the command must
  // be answered after the frame's OK, not lost.
  client_->clear();
  client_->write("\xff\x13\xfa" + kDleEtx + "AT\r");
  EXPECT_TRUE(waitForCount(*client_, "OK\r\n", 2, 10s)) << ::testing::PrintToString(client_->received());
  client_->command("ATH");
  expectStillAnswers();
}

TEST_F(ModemDialogue, BusyNumberAnswersBusy) {
  start({"--fault", "busy"});
  client_->command("AT+FCLASS=1");
  EXPECT_NE(client_->command("ATDT5551234", 20s).find("BUSY"), std::string::npos);
  const auto results = modem_->waitForResults(1, 5s);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].at("result"), "BUSY");
  expectStillAnswers();
}

TEST_F(ModemDialogue, DeadLineAnswersNoDialtone) {
  start({"--fault", "no-dial-tone"});
  client_->command("AT+FCLASS=1");
  EXPECT_NE(client_->command("ATDT5551234", 20s).find("NO DIALTONE"), std::string::npos);
  ASSERT_EQ(modem_->waitForResults(1, 5s).size(), 1u);
  EXPECT_EQ(modem_->results()[0].at("result"), "NO_DIALTONE");
}

TEST_F(ModemDialogue, UnansweredCallAnswersNoAnswer) {
  start({"--fault", "no-answer", "--rings", "2", "--ring-interval", "2"});
  client_->command("AT+FCLASS=1");
  EXPECT_NE(client_->command("ATDT5551234", 20s).find("NO ANSWER"), std::string::npos);
  ASSERT_EQ(modem_->waitForResults(1, 5s).size(), 1u);
  EXPECT_EQ(modem_->results()[0].at("result"), "NO_ANSWER");
}

TEST_F(ModemDialogue, ChosenCommandIsAnsweredError) {
  start({"--fault", "error-on=+FCLASS=1"});
  EXPECT_NE(client_->command("AT+FCLASS=1").find("ERROR"), std::string::npos);
  EXPECT_NE(client_->command("ATE0+FCLASS=1").find("ERROR"), std::string::npos);
  EXPECT_NE(client_->command("AT+FCLASS=0").find("OK"), std::string::npos);
}

TEST_F(ModemDialogue, SilentModemAnswersNothing) {
  start({"--fault", "silent"});
  EXPECT_EQ(client_->command("AT", 1s), "");
  EXPECT_EQ(client_->command("ATZ", 1s), "");
}

TEST_F(ModemDialogue, FirstRingWaitsForFaxSetupThenRepeats) {
  start({"--far-end", "sender", "--send-file", dir_.file("none.tif"), "--incoming-after", "1", "--ring-interval", "2"});
  client_->command("ATE0");
  EXPECT_FALSE(client_->waitFor("RING", 1500ms)) << "rang before the modem was set up for fax";
  client_->command("AT+FCLASS=1");
  client_->clear();
  ASSERT_TRUE(client_->waitFor("RING", 5s));
  client_->clear();
  ASSERT_TRUE(client_->waitFor("RING", 5s)) << "RING should repeat";
  EXPECT_NE(client_->command("ATA", 10s).find("CONNECT"), std::string::npos);
  client_->dropDtr();
  const auto results = modem_->waitForResults(1, 10s);
  ASSERT_EQ(results.size(), 1u) << modem_->log();
  EXPECT_EQ(results[0].at("role"), "sender");
}

TEST_F(ModemDialogue, DroppingDtrOrClosingThePortHangsUp) {
  start({"--answer-after-rings", "0"});
  client_->command("AT+FCLASS=1");
  ASSERT_NE(client_->command("ATD555", 20s).find("CONNECT"), std::string::npos);
  client_->dropDtr();
  auto results = modem_->waitForResults(1, 10s);
  ASSERT_EQ(results.size(), 1u) << modem_->log();
  EXPECT_EQ(results[0].at("result"), "FAILED");

  // Closing the port mid-call hangs up too, and the next program finds the
  // modem in its power-on state (echo on).
  client_.reset();
  client_ = std::make_unique<PtyClient>(modem_->port());
  client_->command("ATE0");
  client_->command("AT+FCLASS=1");
  const std::string dialled = client_->command("ATD555", 20s);
  ASSERT_NE(dialled.find("CONNECT"), std::string::npos) << dialled << modem_->log();
  client_->close();
  results = modem_->waitForResults(2, 10s);
  ASSERT_EQ(results.size(), 2u) << modem_->log();
  client_ = std::make_unique<PtyClient>(modem_->port());
  EXPECT_EQ(client_->command("AT"), "AT\r\r\nOK\r\n");
}

}  // namespace
}  // namespace telvane::test
