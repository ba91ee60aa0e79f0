// The "Send Fax" window as a user drives it: refusals before any port is
// touched, the error windows of a missing port, a silent modem, a busy or
// unanswered line and a rejected page, and whole faxes sent through a
// virtual modem to a receiving far end.

#include <QCheckBox>
#include <QTest>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "fax/modem_helpers.h"
#include "fax/send_fax.h"
#include "faximage/fax_converter.h"
#include "serial/com_port.h"
#include "platform/clock.h"
#include "platform/scripted_prompts.h"
#include "sessions/send_fax_form.h"
#include "sessions/show_error_form.h"
#include "settings/app_settings.h"
#include "tests/modem/fax_pages.h"
#include "tests/modem/virtual_modem_harness.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

struct ErrorWindow {
  QString title, text;
  bool withContinue = false;
};

class SendFaxFormTest : public ::testing::Test {
protected:
  SendFaxFormTest() {
    AppSettings = AppSettingsRecord{};
    AppSettings.ComPort = 2;
    AppSettings.FaxClass = 1;
    AppSettings.MaximumBPS = 14400;
    AppSettings.DialAttempts = 1;
    SetErrorWindowHook([this](const QString& title, const QString& text, bool withContinue) {
      errors_.push_back({title, text, withContinue});
      return withContinue && continueAfterError_ ? kContinueResult : 1;
    });
  }
  ~SendFaxFormTest() override {
    SetErrorWindowHook(nullptr);
    SetClock(nullptr);
  }

  // COM3 is `device`.
  void mapPort(const std::string& device) { home_.dir().write("TVN.INI", "[Ports]\r\nCOM3=" + device + "\r\n"); }

  std::string onePageFax() { return faxOfLines(2); }

  // A text fax of `lines` lines (about 60 to a page).
  std::string faxOfLines(int lines) {
    std::string text;
    for (int i = 1; i <= lines; ++i) text += "Line " + std::to_string(i) + " of a letter sent through the send window.\n";
    home_.dir().write("letter.txt", text);
    TKovaFaxConverter converter;
    converter.InputDocumentType = TFaxInputDocumentType::idText;
    converter.Resolution = TFaxResolution::frHigh;
    converter.SetDocumentFile(home_.dir().file("letter.txt"));
    converter.OutFileName = home_.dir().file("TVN_1.APF");
    EXPECT_GE(converter.ConvertDocumentStatus(), 0);
    return converter.OutFileName;
  }

  // A text fax of `pages` short pages.
  std::string faxOfPages(int pages) {
    std::string text;
    for (int page = 1; page <= pages; ++page) text += "This is page " + std::to_string(page) + ".\n\f";
    home_.dir().write("pages.txt", text);
    TKovaFaxConverter converter;
    converter.InputDocumentType = TFaxInputDocumentType::idText;
    converter.Resolution = TFaxResolution::frHigh;
    converter.SetDocumentFile(home_.dir().file("pages.txt"));
    converter.OutFileName = home_.dir().file("TVN_2.APF");
    EXPECT_GE(converter.ConvertDocumentStatus(), 0);
    return converter.OutFileName;
  }

  std::unique_ptr<TSendFaxForm> openForm(const std::string& number, const std::string& file = "") {
    auto form = std::make_unique<TSendFaxForm>();
    form->SetFaxFileName(file);
    form->SetInitialPhoneNumber(QString::fromStdString(number));
    form->show();
    return form;
  }

  std::string report() const { return home_.dir().exists("Lastsend.log") ? home_.dir().read("Lastsend.log") : ""; }

  test::ProgramDirectoryScope home_;
  ScriptedPrompts prompts_;
  std::vector<ErrorWindow> errors_;
  bool continueAfterError_ = false;
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(SendFaxFormTest, BlankNumberIsRefusedBeforeAnyPortIsOpened) {
  auto form = openForm("   ");
  form->SendFaxButtonClick();
  ASSERT_EQ(prompts_.prompts().size(), 1u);
  EXPECT_EQ(prompts_.prompts()[0].text, "Phone number is blank");
  EXPECT_FALSE(form->SendInProgress);
  EXPECT_TRUE(errors_.empty());
  EXPECT_EQ(report(), "") << "no session, no report";
  EXPECT_TRUE(form->SendResult.isEmpty());
}

TEST_F(SendFaxFormTest, MissingPortShowsWhyAndWritesTheReport) {
  mapPort(home_.dir().file("no-such-modem"));
  auto form = openForm("5551234");
  form->SendFaxButtonClick();
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0].title, "Error Opening Communications Port");
  EXPECT_TRUE(errors_[0].text.startsWith("Unable to open the specified communications port ( Com3 )"));
  EXPECT_TRUE(errors_[0].text.contains("Is the Communications Port (COM3) correct?"));
  EXPECT_FALSE(form->SendInProgress);
  EXPECT_TRUE(form->SendResult.isEmpty()) << "the caller keeps the row's old result";
  const std::string log = report();
  EXPECT_TRUE(has(log, "Opening com port: COM3\r\nError opening com port: COM3\r\nMessage:Unable to open")) << log;
  EXPECT_TRUE(has(log, "\r\nFinish: ")) << log;
}

TEST_F(SendFaxFormTest, SilentModemAsksWhetherToGoOn) {
  ScaledClock clock(20);  // the six seconds of waiting for OK, shortened
  SetClock(&clock);
  // A terminal with nothing behind it: it takes "AT" and never answers.
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  mapPort(ptsname(master));
  auto form = openForm("5551234");
  form->SendFaxButtonClick();
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0].title, "No Response From Modem");
  EXPECT_TRUE(errors_[0].withContinue);
  EXPECT_TRUE(errors_[0].text.startsWith("We did not receive a modem response from COM3."));
  EXPECT_FALSE(form->SendInProgress);
  EXPECT_TRUE(has(report(), "Checking for modem\r\nError checking for modem\r\nExit\r\nFinish: ")) << report();
  close(master);
}

TEST_F(SendFaxFormTest, SendsAFaxThroughTheModemAndReportsEachStep) {
  ScaledClock clock(test::testSpeed());
  SetClock(&clock);
  const std::string received = home_.dir().file("received.tif");
  test::VirtualModemRun modem(home_.path(), {"--far-end", "receiver", "--receive-file", received});
  ASSERT_TRUE(modem.started()) << modem.log();
  mapPort(modem.port());
  AppSettings.UserFax = "+1 555 0100";
  AppSettings.ResetString = "Z";
  auto form = openForm("5551234", onePageFax());
  form->DisableSuffix->setChecked(true);
  form->SendFaxButtonClick();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form->SendInProgress; }, 60000)) << modem.log();
  EXPECT_TRUE(errors_.empty()) << (errors_.empty() ? "" : errors_[0].text.toStdString());
  EXPECT_EQ(form->SendResult, "Sent");
  ASSERT_EQ(prompts_.prompts().size(), 1u);
  EXPECT_EQ(prompts_.prompts()[0].text, "Fax sent successfully");
  EXPECT_EQ(AppSettings.ResetString, "ATZ") << "the corrected reset string is what gets saved";
  EXPECT_EQ(test::readFaxPages(received).size(), 1u);
  const std::string log = report();
  for (const char* line : {"Opened com port OK\r\n", "Sending reset string: Z\r\n", "Desired BPS: 14400\r\n",
                           "Negotiate between pages: OFF\r\n", "Fax#: 5551234\r\n", "StationID: +1 555 0100\r\n",
                           "Result: ", "Finish: "})
    EXPECT_TRUE(has(log, line)) << line << " missing from\n" << log;
  EXPECT_FALSE(has(log, "Dial Suffix")) << "a disabled suffix is neither dialled nor reported";
}

TEST_F(SendFaxFormTest, BrokenOffSendRecordsItsPagesAndTheNextTrySendsTheRest) {
  ScaledClock clock(test::testSpeed());
  SetClock(&clock);
  const std::string fax = faxOfPages(3);
  {
    test::VirtualModemRun modem(home_.path(), {"--far-end", "receiver", "--fault", "carrier-lost=3",
                                               "--receive-file", home_.dir().file("first.tif")});
    ASSERT_TRUE(modem.started()) << modem.log();
    mapPort(modem.port());
    auto form = openForm("5551234", fax);
    form->SendFaxButtonClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->SendInProgress; }, 90000)) << modem.log();
    EXPECT_TRUE(form->SendResult.startsWith("Pages 1-2 of 3 sent, then: ")) << form->SendResult.toStdString();
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_TRUE(errors_[0].text.contains("Pages 1-2 of 3 reached the receiver")) << errors_[0].text.toStdString();
  }
  errors_.clear();
  // A modem of its own: the first one's port may still be going away.
  const std::string second = home_.path() + "second/";
  std::filesystem::create_directory(second);
  test::VirtualModemRun modem(second, {"--far-end", "receiver", "--receive-file", home_.dir().file("rest.tif")});
  ASSERT_TRUE(modem.started()) << modem.log();
  mapPort(modem.port());
  auto form = openForm("5551234", fax);
  form->SetResumeAfter(2);
  form->SendFaxButtonClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form->SendInProgress; }, 90000)) << modem.log();
  EXPECT_EQ(form->SendResult, "Sent") << report();
  EXPECT_EQ(test::readFaxPages(home_.dir().file("rest.tif")).size(), 1u) << "only the page still to send";
  EXPECT_FALSE(home_.dir().exists("TVNRESUME.APF")) << "the copy of the rest goes when the session ends";
}

// A busy number is dialled again after the wait; a line nobody answers ends
// the send at once. Either way one window tells the user after the last try.
TEST_F(SendFaxFormTest, BusyIsRedialledAndNoAnswerReported) {
  ScaledClock clock(test::testSpeed());
  SetClock(&clock);
  AppSettings.DialAttempts = 2;
  AppSettings.RetryWait = 2;
  const std::string fax = onePageFax();
  const struct {
    const char* fault;
    const char* result;
    int attempts;
  } lines[] = {{"busy", "Called fax number was busy", 2}, {"no-answer", "Remote fax did not answer", 1}};
  for (const auto& line : lines) {
    SCOPED_TRACE(line.fault);
    errors_.clear();
    const std::string dir = home_.path() + line.fault + "/";
    std::filesystem::create_directory(dir);
    test::VirtualModemRun modem(dir, {"--far-end", "receiver", "--fault", line.fault});
    ASSERT_TRUE(modem.started()) << modem.log();
    mapPort(modem.port());
    auto form = openForm("5551234", fax);
    form->SendFaxButtonClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->SendInProgress; }, 90000)) << modem.log();
    EXPECT_EQ(form->SendResult, line.result);
    EXPECT_EQ(form->KovaSendFax1().DialAttempt(), line.attempts);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0].title, "Fax Failure");
    EXPECT_TRUE(errors_[0].text.contains(line.result)) << errors_[0].text.toStdString();
    EXPECT_TRUE(has(report(), std::string("Result: ") + line.result + "\r\n")) << report();
  }
}

// The far end answers RTN to the page and then hangs up: the page did not
// arrive, and the window says so.
TEST_F(SendFaxFormTest, PageTheReceiverRejectsFailsTheSend) {
  ScaledClock clock(test::testSpeed());
  SetClock(&clock);
  test::VirtualModemRun modem(home_.path(), {"--far-end", "receiver", "--fault", "rtn=1"});
  ASSERT_TRUE(modem.started()) << modem.log();
  mapPort(modem.port());
  auto form = openForm("5551234", onePageFax());
  form->SendFaxButtonClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form->SendInProgress; }, 90000)) << modem.log();
  EXPECT_EQ(form->SendResult, "Fax failed in mid-session");
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0].title, "Fax Failure");
  EXPECT_TRUE(has(report(), "Result: Fax failed in mid-session\r\n")) << report();
}

// A call in progress: the far end receiving page 1 of a longer fax.
class SendInCallTest : public SendFaxFormTest {
protected:
  void startCall() {
    clock_ = std::make_unique<ScaledClock>(test::testSpeed());
    SetClock(clock_.get());
    modem_ = std::make_unique<test::VirtualModemRun>(
        home_.path(), std::vector<std::string>{"--far-end", "receiver", "--receive-file", home_.dir().file("r.tif")});
    ASSERT_TRUE(modem_->started()) << modem_->log();
    mapPort(modem_->port());
    form_ = openForm("5551234", faxOfLines(240));
    form_->SendFaxButtonClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form_->KovaSendFax1().StatusInfo().currentPage >= 1; }, 60000))
        << modem_->log();
  }
  void waitForEnd() { ASSERT_TRUE(QTest::qWaitFor([&] { return !form_->SendInProgress; }, 60000)) << modem_->log(); }

  std::unique_ptr<ScaledClock> clock_;
  std::unique_ptr<test::VirtualModemRun> modem_;
  std::unique_ptr<TSendFaxForm> form_;
};

TEST_F(SendInCallTest, CancelHangsUpAndFreesThePort) {
  startCall();
  form_->KovaSendFax1().AbortFax();
  waitForEnd();
  EXPECT_NE(form_->SendResult, "Sent");
  EXPECT_FALSE(form_->SendResult.isEmpty());
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0].title, "Fax Failure");
  EXPECT_FALSE(form_->KovaComPort1().Open());
  // The next session finds the port free and the modem answering.
  TKovaComPort next;
  next.SetComNumber(3);
  std::string error;
  ASSERT_TRUE(OpenModemPort(next, error)) << error;
  EXPECT_TRUE(ModemAnswersAT(next, ""));
}

TEST_F(SendInCallTest, VanishingModemEndsTheSendWithAClearMessage) {
  startCall();
  modem_->process().terminate();
  waitForEnd();
  EXPECT_EQ(form_->SendResult.toStdString(), "The modem is gone: its port was closed or unplugged");
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_TRUE(errors_[0].text.contains("The modem is gone")) << errors_[0].text.toStdString();
  EXPECT_TRUE(has(report(), "Result: The modem is gone")) << report();
}

}  // namespace
}  // namespace telvane
