// Receive mode as the main window runs it: faxes from a virtual modem's
// sending far end land in the "receive" folder with a log row each, a call
// that breaks off or is stopped keeps the pages the sender was told arrived
// (and stopping frees the port at once), and a modem that vanishes ends
// receive mode with a message.

#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

#include "fax/modem_helpers.h"
#include "faximage/apf_reader.h"
#include "platform/clock.h"
#include "platform/program_directory.h"
#include "platform/scripted_prompts.h"
#include "serial/com_port.h"
#include "sessions/receive_mode.h"
#include "sessions/show_error_form.h"
#include "settings/app_settings.h"
#include "tests/modem/fax_pages.h"
#include "tests/modem/virtual_modem_harness.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

class RecordingHost : public ReceiveModeHost {
public:
  void SetStatusText(const QString& text) override { statusTexts.push_back(text); }
  void ShowReceivedPage() override { ++receivedPageShown; }
  void ReceiveModeChanged(bool on) override { modeChanges.push_back(on); }
  bool AddReceivedRow(const ReceivedFaxRow& row) override {
    rows.push_back(row);
    return true;
  }
  void PlayReceivedSound() override { ++sounds; }
  void PrintReceivedFax(const std::string& path) override { printed.push_back(path); }

  std::vector<QString> statusTexts;
  int receivedPageShown = 0;
  std::vector<bool> modeChanges;
  std::vector<ReceivedFaxRow> rows;
  int sounds = 0;
  std::vector<std::string> printed;
};

struct ErrorWindow {
  QString title, text;
};

class ReceiveModeTest : public ::testing::Test {
protected:
  ReceiveModeTest() : clock_(test::testSpeed()) {
    SetClock(&clock_);
    AppSettings = AppSettingsRecord{};
    AppSettings.ComPort = 2;
    AppSettings.FaxClassReceive = 1;
    AppSettings.MaximumBPSReceive = 14400;
    AppSettings.UserFax = "+1 555 0142";
    SetErrorWindowHook([this](const QString& title, const QString& text, bool) {
      errors_.push_back({title, text});
      return 1;
    });
  }
  ~ReceiveModeTest() override {
    SetErrorWindowHook(nullptr);
    SetClock(nullptr);
  }

  // A modem whose far end calls once with `pages` test pages.
  // Each in a folder of its own, so a modem going away cannot take the
  // next one's port with it.
  std::unique_ptr<test::VirtualModemRun> startCaller(int pages, std::vector<std::string> faults = {}) {
    const std::string dir = home_.path() + "modem" + std::to_string(++modems_) + "/";
    std::filesystem::create_directory(dir);
    const std::string tiff = home_.dir().file("outgoing.tif");
    EXPECT_TRUE(test::writeTestFax(tiff, pages, true, 300));
    std::vector<std::string> options = {"--far-end", "sender", "--send-file", tiff, "--incoming-after", "1",
                                        "--remote-id", "+44 20 7946 0000"};
    for (const std::string& fault : faults) options.insert(options.end(), {"--fault", fault});
    auto modem = std::make_unique<test::VirtualModemRun>(dir, options);
    EXPECT_TRUE(modem->started()) << modem->log();
    home_.dir().write("TVN.INI", "[Ports]\r\nCOM3=" + modem->port() + "\r\n");
    return modem;
  }

  bool waitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 90000); }

  std::string report() const { return home_.dir().exists("Lastrec.log") ? home_.dir().read("Lastrec.log") : ""; }
  std::vector<std::string> receivedFiles() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(home_.path() + "receive", ec))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  int pagesOf(const std::string& name) const {
    ApfFileHeader header;
    return ReadApfHeader(home_.path() + "receive/" + name, header) == 0 ? header.pageCount : -1;
  }

  ScaledClock clock_;
  test::ProgramDirectoryScope home_;
  ScriptedPrompts prompts_;
  RecordingHost host_;
  std::vector<ErrorWindow> errors_;
  int modems_ = 0;
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(ReceiveModeTest, ReceivesAFaxIntoTheLogAndStopsCleanly) {
  auto modem = startCaller(2);
  AppSettings.PrintOnReceipt = true;
  TReceiveMode mode(host_, nullptr);
  mode.ReceiveButtonClick();
  ASSERT_TRUE(mode.InReceiveMode) << report();
  EXPECT_EQ(host_.receivedPageShown, 1);
  ASSERT_TRUE(waitFor([&] { return !host_.rows.empty(); })) << modem->log();
  const ReceivedFaxRow& row = host_.rows[0];
  EXPECT_EQ(row.faxFile, "FAX0001.APF");
  EXPECT_EQ(row.pages, 2);
  EXPECT_EQ(row.from, "+44 20 7946 0000");
  EXPECT_EQ(row.date, QDate::currentDate());
  EXPECT_EQ(row.time.size(), 5);
  EXPECT_EQ(row.notes, "");
  EXPECT_EQ(pagesOf("FAX0001.APF"), 2);
  EXPECT_EQ(host_.sounds, 1);
  ASSERT_EQ(host_.printed.size(), 1u);
  EXPECT_EQ(host_.printed[0], home_.path() + "receive/FAX0001.APF");
  EXPECT_TRUE(errors_.empty()) << errors_[0].text.toStdString();
  bool sawReceiving = false;
  for (const QString& text : host_.statusTexts) sawReceiving |= text.startsWith("Receiving fax from: +44 20 7946 0000");
  EXPECT_TRUE(sawReceiving);

  mode.ReceiveButtonClick();
  EXPECT_FALSE(mode.InReceiveMode);
  EXPECT_EQ(host_.modeChanges.back(), false);
  const std::string log = report();
  for (const char* line : {"Opening com port: COM3\r\n", "Opened com port OK\r\nChecking for modem\r\n",
                           "Desired BPS: 14400\r\n", "Fax Class: Class 1\r\n", "User INIT String: \r\n",
                           "StartReceive\r\nStopped receive mode:", "\r\nFinish: "})
    EXPECT_TRUE(has(log, line)) << line << " missing from\n" << log;
  EXPECT_EQ(log.rfind("Start:", 0), 0u) << log;
}

TEST_F(ReceiveModeTest, BrokenCallKeepsTheConfirmedPagesWithANote) {
  auto modem = startCaller(3, {"carrier-lost=2"});
  TReceiveMode mode(host_, nullptr);
  mode.ReceiveButtonClick();
  ASSERT_TRUE(waitFor([&] { return !errors_.empty(); })) << modem->log();
  EXPECT_EQ(errors_[0].title, "Failed To Receive Incoming Fax");
  EXPECT_TRUE(errors_[0].text.startsWith("The call broke off after page 1 of an incoming fax.")) << errors_[0].text.toStdString();
  ASSERT_EQ(host_.rows.size(), 1u);
  EXPECT_EQ(host_.rows[0].pages, 1);
  EXPECT_TRUE(host_.rows[0].notes.rfind("Call broke off after page 1: ", 0) == 0) << host_.rows[0].notes;
  EXPECT_LE(host_.rows[0].notes.size(), 60u);
  EXPECT_EQ(receivedFiles(), std::vector<std::string>{"FAX0001.APF"});
  EXPECT_EQ(pagesOf("FAX0001.APF"), 1);
  EXPECT_TRUE(mode.InReceiveMode) << "receive mode waits for the next call";
  mode.ReceiveButtonClick();
}

TEST_F(ReceiveModeTest, CallThatBrokeOffBeforeAnyPageLeavesNothing) {
  auto modem = startCaller(1, {"carrier-lost=1"});
  TReceiveMode mode(host_, nullptr);
  mode.ReceiveButtonClick();
  ASSERT_TRUE(waitFor([&] { return !errors_.empty(); })) << modem->log();
  EXPECT_TRUE(errors_[0].text.startsWith("Telvane failed to receive an incoming fax.\r\n\r\nThe error message was:   "));
  EXPECT_TRUE(host_.rows.empty());
  EXPECT_TRUE(receivedFiles().empty());
  mode.ReceiveButtonClick();
}

TEST_F(ReceiveModeTest, StopDuringACallHangsUpKeepsThePagesAndFreesThePort) {
  auto modem = startCaller(3);
  TReceiveMode mode(host_, nullptr);
  mode.ReceiveButtonClick();
  ASSERT_TRUE(waitFor([&] { return mode.ReceivedPageCount >= 2; })) << modem->log();
  const uint64_t stopAt = CurrentClock().milliseconds();
  mode.ReceiveButtonClick();
  EXPECT_FALSE(mode.InReceiveMode);
  EXPECT_LT(CurrentClock().milliseconds() - stopAt, 5000u) << "hung up within a few seconds";
  ASSERT_EQ(host_.rows.size(), 1u) << "the confirmed page is kept";
  EXPECT_EQ(host_.rows[0].pages, 1);
  EXPECT_EQ(pagesOf(host_.rows[0].faxFile), 1);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_TRUE(errors_[0].text.startsWith("The call broke off after page 1 of an incoming fax. The page received before "
                                         "it is kept in the received log."))
      << errors_[0].text.toStdString();
  TKovaComPort next;
  next.SetComNumber(3);
  std::string error;
  ASSERT_TRUE(OpenModemPort(next, error)) << error;
  EXPECT_TRUE(ModemAnswersAT(next, ""));
}

TEST_F(ReceiveModeTest, VanishingModemEndsReceiveModeAndItCanStartAgain) {
  {
    auto modem = startCaller(1);
    TReceiveMode mode(host_, nullptr);
    mode.ReceiveButtonClick();
    ASSERT_TRUE(mode.InReceiveMode) << report();
    modem->process().terminate();  // the USB modem pulled out: its device closes
    ASSERT_TRUE(waitFor([&] { return !mode.InReceiveMode; }));
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0].title, "Receive Mode Ended");
    EXPECT_EQ(host_.modeChanges.back(), false);
    EXPECT_TRUE(has(report(), "\r\nReceive mode ended: ")) << report();
  }
  errors_.clear();
  auto modem = startCaller(1);
  TReceiveMode mode(host_, nullptr);
  mode.ReceiveButtonClick();
  ASSERT_TRUE(mode.InReceiveMode) << report();
  ASSERT_TRUE(waitFor([&] { return !host_.rows.empty(); })) << modem->log();
  mode.ReceiveButtonClick();
}

TEST(ReceiveTexts, NotesFitTheLogField) {
  EXPECT_EQ(BrokenCallNotes(2, "Carrier lost"), "Call broke off after page 2: Carrier lost");
  EXPECT_EQ(BrokenCallNotes(12, std::string(100, 'x')).size(), 60u);
  EXPECT_EQ(FailedReceptionText(0, "No carrier"),
            "Telvane failed to receive an incoming fax.\r\n\r\nThe error message was:   No carrier");
  EXPECT_TRUE(FailedReceptionText(2, "x").contains("The 2 pages received before it are kept"));
  EXPECT_TRUE(FailedReceptionText(1, "x").contains("The page received before it is kept"));
}

}  // namespace
}  // namespace telvane
