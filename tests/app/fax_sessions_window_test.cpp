// The main window's Send and Receive as a user runs them: a fax composed
// in the program goes through a virtual modem to spandsp's receiving far
// end and its row records the result; receive mode takes a fax from a
// sending far end into the received log.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <filesystem>

#include "app/log_tables.h"
#include "app/main_screen.h"
#include "faximage/apf_reader.h"
#include "platform/clock.h"
#include "platform/scripted_prompts.h"
#include "platform/text.h"
#include "records/fax_records.h"
#include "records/rebuild_indexes.h"
#include "richtext/wp_rich_text.h"
#include "sessions/send_fax_form.h"
#include "settings/app_settings.h"
#include "tests/app/app_test_logs.h"
#include "tests/modem/fax_pages.h"
#include "tests/modem/virtual_modem_harness.h"
#include "tests/support/modal_answerer.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

constexpr char kLetter[] =
    R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0\fs24 Dear Ann,\par\par the delivery leaves on Monday.\par\b Regards\b0\par})";

class FaxSessionsWindowTest : public ::testing::Test {
protected:
  FaxSessionsWindowTest() : clock_(test::testSpeed()) {
    SetClock(&clock_);
    AppSettings = AppSettingsRecord{};
    FirstRun = false;
  }
  ~FaxSessionsWindowTest() override { SetClock(nullptr); }

  void useModem(const test::VirtualModemRun& modem) {
    home_.dir().write("TVN.INI", "[Modem]\nComPort=2\nFaxClass=1\nFaxClassReceive=1\n[Ports]\nCOM3=" + modem.port() + "\n");
  }

  // One outgoing row: a letter to 5551234, and what the last try said.
  void writeOutgoingFax(const std::string& lastResult = "") {
    FaxRecords records;
    ASSERT_TRUE(records.OpenFaxDBF());
    ASSERT_TRUE(records.OpenRecFaxDBF());
    RecordTable& t = records.FaxTable();
    ASSERT_TRUE(t.Append());
    t.SetField("RECIPIENT", "Ann Smith");
    t.SetField("SUBJECT", "Delivery");
    t.SetField("PHONE", "5551234");
    t.SetField("LASTRESULT", lastResult);
    TWPRichText document;
    ASSERT_TRUE(document.LoadRtf(kLetter));
    ASSERT_TRUE(records.SaveRichText(document, "RTFDOC", t));
    ASSERT_TRUE(t.Post());
    ASSERT_TRUE(RebuildIndexes(records, [](std::string_view) {}));
  }

  ScaledClock clock_;
  test::ProgramDirectoryScope home_;
  ScriptedPrompts prompts_;
};

TEST_F(FaxSessionsWindowTest, SendTransmitsTheComposedFaxAndRecordsTheResult) {
  const std::string received = home_.dir().file("far-end.tif");
  test::VirtualModemRun modem(home_.path(), {"--far-end", "receiver", "--receive-file", received});
  ASSERT_TRUE(modem.started()) << modem.log();
  useModem(modem);
  writeOutgoingFax();
  TMainScreen window;
  test::Activate(window);

  QString result;
  test::ModalAnswerer sendWindow([&](QDialog& dialog) {
    auto& form = dynamic_cast<TSendFaxForm&>(dialog);
    EXPECT_EQ(form.sfPhoneNumber->text(), "5551234");
    form.SendFaxButtonClick();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.SendInProgress; }, 90000)) << modem.log();
    result = form.SendResult;
    form.CloseButtonClick();
  });
  window.SendButtonClick();
  ASSERT_TRUE(sendWindow.answered());
  EXPECT_EQ(result, "Sent");
  EXPECT_EQ(window.LastFaxPageCount, 1);
  EXPECT_EQ(test::readFaxPages(received).size(), 1u);
  EXPECT_EQ(window.Tables().CurrentFaxField("SENT"), "T");
  EXPECT_EQ(TrimSpaces(window.Tables().CurrentFaxField("LASTRESULT")), "Sent");
  EXPECT_EQ(TrimSpaces(window.Tables().CurrentFaxField("PAGES")), "1");
  EXPECT_FALSE(home_.dir().exists("TVN_1.APF")) << "the fax file goes once it is sent";
  window.close();
}

TEST_F(FaxSessionsWindowTest, ReceiveModeAddsARowForEachFaxAndStopsOnTheSameButton) {
  const std::string tiff = home_.dir().file("incoming.tif");
  ASSERT_TRUE(test::writeTestFax(tiff, 2, true, 300));
  test::VirtualModemRun modem(home_.path(), {"--far-end", "sender", "--send-file", tiff, "--incoming-after", "1",
                                             "--remote-id", "+44 20 7946 0000"});
  ASSERT_TRUE(modem.started()) << modem.log();
  useModem(modem);
  test::WriteLogs({});
  AppSettings.DisableReceivingFaxesNotification = true;
  TMainScreen window;
  test::Activate(window);
  window.ReceiveButtonClick();
  ASSERT_TRUE(window.InReceiveMode);
  EXPECT_EQ(window.ReceiveButton->text(), "STOP");
  EXPECT_EQ(window.CurrentPage(), LogPage::Incoming);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.RecFaxGrid->model()->rowCount() == 1; }, 90000)) << modem.log();
  const auto& model = *window.RecFaxGrid->model();
  bool sawFile = false, sawSender = false;
  for (int column = 0; column < model.columnCount(); ++column) {
    const QString text = model.index(0, column).data().toString().trimmed();
    sawFile |= text == "FAX0001.APF";
    sawSender |= text == "+44 20 7946 0000";
  }
  EXPECT_TRUE(sawFile && sawSender);
  ApfFileHeader header;
  ASSERT_EQ(ReadApfHeader(home_.path() + "receive/FAX0001.APF", header), 0);
  EXPECT_EQ(header.pageCount, 2);
  window.ReceiveButtonClick();
  EXPECT_FALSE(window.InReceiveMode);
  EXPECT_EQ(window.ReceiveButton->text(), "&Receive");
  EXPECT_TRUE(home_.dir().exists("Lastrec.log"));
  window.close();
}

}  // namespace
}  // namespace telvane
