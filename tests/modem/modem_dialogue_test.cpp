// The virtual modem as a program sees it over the pty: its AT dialogue,
// bad input, the dialling outcomes and ringing, caller ID, hang-up by DTR
// drop, and the faults and far-end frames a Class 1 program meets.

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <optional>
#include <regex>
#include <string>

#include "tests/modem/pty_client.h"
#include "tests/modem/virtual_modem_harness.h"
#include "tests/support/temp_dir.h"

extern "C" {
#include <spandsp.h>
}

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

// A V.21 frame as a Class 1 modem delivers it after +FRH (T.31): its octets
// with the FCS, DLE shielding removed, and the result code after it.
struct ReceivedFrame {
  std::string octets;
  bool ok = false;
  uint8_t fcf() const { return octets.size() >= 3 ? static_cast<uint8_t>(octets[2]) : 0; }
  bool fcsGood() const {
    return crc_itu16_check(reinterpret_cast<const uint8_t*>(octets.data()), static_cast<int>(octets.size())) != 0;
  }
};

// Reads the next frame from what follows CONNECT, up to the OK or ERROR
// after its DLE ETX; nothing when none came in time.
std::optional<ReceivedFrame> receiveFrame(PtyClient& client, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const std::string& text = client.received();
    const size_t connect = text.find("CONNECT\r\n");
    const size_t etx = connect == std::string::npos ? connect : text.find(kDleEtx, connect);
    if (etx != std::string::npos) {
      const std::string after = text.substr(etx + 2);
      if (after.find("OK\r\n") != std::string::npos || after.find("ERROR\r\n") != std::string::npos) {
        ReceivedFrame frame;
        frame.ok = after.find("OK\r\n") != std::string::npos;
        for (size_t i = connect + 9; i < etx; ++i) {
          if (text[i] == kDle[0]) ++i;  // DLE DLE stands for one data DLE
          frame.octets.push_back(text[i]);
        }
        return frame;
      }
    }
    if (std::chrono::steady_clock::now() >= end) return std::nullopt;
    client.waitFor("\x01never\x02", 20ms);
  }
}

class ModemDialogue : public ::testing::Test {
protected:
  void start(std::vector<std::string> options) {
    modem_ = std::make_unique<VirtualModemRun>(dir_.path(), std::move(options));
    ASSERT_TRUE(modem_->started());
    client_ = std::make_unique<PtyClient>(modem_->port());
    ASSERT_TRUE(client_->isOpen());
  }
  // AT+FRH=3 and the frame it brings.
  std::optional<ReceivedFrame> nextFrame() {
    client_->clear();
    client_->write("AT+FRH=3\r");
    return receiveFrame(*client_, 10s);
  }
  // Class 1, dialled: the far end answers at once and its first frame comes with CONNECT.
  void dialClass1() {
    client_->command("ATE0");
    client_->command("AT+FCLASS=1");
    ASSERT_NE(client_->command("ATD555", 20s).find("CONNECT"), std::string::npos) << modem_->log();
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

TEST_F(ModemDialogue, BadFcsFaultSpoilsTheChosenFramesAndTheFarEndSendsThemAgain) {
  // The first DIS (frame 2 of the call) by kind, frame 3 (the CSI that
  // starts the far end's second try) by position; the third try is clean.
  start({"--answer-after-rings", "0", "--fault", "bad-fcs=DIS,3"});
  dialClass1();
  struct Expected {
    uint8_t fcf;
    bool ok;
  } const expected[] = {{0x40, true}, {0x80, false}, {0x40, false}, {0x80, true}};  // CSI, DIS, CSI, DIS
  for (size_t i = 0; i < std::size(expected); ++i) {
    const auto frame = i == 0 ? receiveFrame(*client_, 10s) : nextFrame();
    ASSERT_TRUE(frame.has_value()) << "frame " << i + 1 << ": " << ::testing::PrintToString(client_->received());
    EXPECT_EQ(frame->fcf(), expected[i].fcf) << "frame " << i + 1;
    EXPECT_EQ(frame->ok, expected[i].ok) << "frame " << i + 1;
    EXPECT_EQ(frame->fcsGood(), expected[i].ok) << "frame " << i + 1 << ": the FCS must agree with OK/ERROR";
  }
  client_->command("ATH");
  expectStillAnswers();
}

TEST_F(ModemDialogue, RemoteNsfComesBeforeCsiAndDisWithItsOctetsShielded) {
  // 0x10 in the field travels as DLE DLE to the program.
  start({"--answer-after-rings", "0", "--remote-nsf", "00 B5 10:04 41"});
  dialClass1();
  const auto nsf = receiveFrame(*client_, 10s);
  ASSERT_TRUE(nsf.has_value()) << ::testing::PrintToString(client_->received());
  EXPECT_TRUE(nsf->ok);
  EXPECT_TRUE(nsf->fcsGood());
  EXPECT_EQ(nsf->octets.substr(0, nsf->octets.size() - 2), std::string("\xff\x03\x20\x00\xb5\x10\x04\x41", 8));
  const auto csi = nextFrame();
  ASSERT_TRUE(csi.has_value());
  EXPECT_EQ(csi->fcf(), 0x40);
  const auto dis = nextFrame();
  ASSERT_TRUE(dis.has_value());
  EXPECT_EQ(dis->fcf(), 0x80);
  EXPECT_EQ(dis->octets[1], '\x13') << "DIS is the final frame";
  client_->command("ATH");
}

TEST_F(ModemDialogue, SilentAfterFaultKillsTheModemAndTheFarEndGivesUpAlone) {
  start({"--answer-after-rings", "0", "--fault", "silent-after=+FTH="});
  dialClass1();
  ASSERT_TRUE(receiveFrame(*client_, 10s).has_value());  // CSI
  const auto dis = nextFrame();
  ASSERT_TRUE(dis.has_value());
  EXPECT_EQ(dis->fcf(), 0x80);
  // +FTH= is where it dies: no answer to it, nor to anything after it, and
  // dropping DTR does not hang up.
  EXPECT_EQ(client_->command("AT+FTH=3", 1s), "");
  EXPECT_EQ(client_->command("AT", 500ms), "");
  client_->dropDtr();
  // The far end repeats its DIS, hears nothing, and gives up on its own.
  const auto results = modem_->waitForResults(1, 20s);
  ASSERT_EQ(results.size(), 1u) << modem_->log();
  EXPECT_EQ(results[0].at("result"), "FAILED");
  EXPECT_EQ(results[0].at("code"), std::to_string(T30_ERR_RETRYDCN)) << results[0].at("message");
  EXPECT_TRUE(modem_->process().running());
  client_ = std::make_unique<PtyClient>(modem_->port());
  EXPECT_EQ(client_->command("AT", 500ms), "") << "a dead modem stays dead";
}

TEST_F(ModemDialogue, CallerIdComesOnceBetweenTheFirstAndSecondRing) {
  start({"--far-end", "sender", "--send-file", dir_.file("none.tif"), "--incoming-after", "1", "--ring-interval", "2",
         "--caller-id", "5551234,ACME LTD"});
  client_->command("ATE0");
  client_->command("AT+FCLASS=1");
  client_->clear();
  ASSERT_TRUE(waitForCount(*client_, "RING", 3, 10s)) << ::testing::PrintToString(client_->received());
  const std::time_t seen = std::time(nullptr);
  const std::regex report(
      "^\r\nRING\r\n"
      "\r\nDATE = (\\d\\d)(\\d\\d)\r\nTIME = (\\d\\d)(\\d\\d)\r\nNMBR = 5551234\r\nNAME = ACME LTD\r\n"
      "\r\nRING\r\n\r\nRING\r\n");
  std::smatch fields;
  const std::string text = client_->received();
  ASSERT_TRUE(std::regex_search(text, fields, report)) << ::testing::PrintToString(text);
  // The line's clock is local time, running at line time: at most a minute
  // or two ahead after these few seconds.
  auto local = [](std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
  };
  const std::tm now = local(seen);
  const int reported = std::stoi(fields[3]) * 60 + std::stoi(fields[4]);
  const int minutesAhead = ((reported - (now.tm_hour * 60 + now.tm_min)) % 1440 + 1440) % 1440;
  EXPECT_LE(minutesAhead, 2) << "TIME = " << fields[3] << fields[4];
  const std::tm later = local(seen + 180);
  const int date = std::stoi(fields[1]) * 100 + std::stoi(fields[2]);
  EXPECT_TRUE(date == (now.tm_mon + 1) * 100 + now.tm_mday || date == (later.tm_mon + 1) * 100 + later.tm_mday)
      << "DATE = " << fields[1] << fields[2];
}

}  // namespace
}  // namespace telvane::test
