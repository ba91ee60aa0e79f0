// The main window's Send and Receive as a user runs them: a fax composed
// in the program (a cover and a letter) goes through a virtual modem to
// spandsp's receiving far end, page for page as the window made it, and
// its row records the result; receive mode takes a fax from a sending far
// end into the received log, prints it on receipt and opens it in the viewer.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "app/log_tables.h"
#include "app/main_screen.h"
#include "fax/modem_helpers.h"
#include "faximage/apf_reader.h"
#include "faximage/viewer/fax_viewer_window.h"
#include "platform/clock.h"
#include "platform/scripted_prompts.h"
#include "platform/text.h"
#include "records/fax_records.h"
#include "records/rebuild_indexes.h"
#include "richtext/wp_rich_text.h"
#include "serial/com_port.h"
#include "sessions/send_fax_form.h"
#include "sessions/show_error_form.h"
#include "settings/app_settings.h"
#include "tests/app/app_test_logs.h"
#include "tests/faximage/fax_test_util.h"
#include "tests/modem/fax_pages.h"
#include "tests/modem/virtual_modem_harness.h"
#include "tests/support/modal_answerer.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

constexpr char kCover[] =
    R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0\fs48\b FAX\b0\par\fs28 To: Ann Smith\par From: Harbour Street Trading\par})";
constexpr char kLetter[] =
    R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0\fs24 Dear Ann,\par\par the delivery leaves on Monday.\par\b Regards\b0\par})";

// The pages of a fax image file as rows of 216 bytes, set bits black.
std::vector<test::PageRows> apfPages(const std::string& path) {
  std::vector<test::PageRows> pages;
  ApfFileHeader header;
  if (ReadApfHeader(path, header) < 0) return pages;
  for (int page = 1; page <= header.pageCount; ++page) pages.push_back(test::DecodeApfPage(path, page));
  return pages;
}

int blackRows(const test::PageRows& page) {
  int count = 0;
  for (const auto& row : page) count += std::any_of(row.begin(), row.end(), [](uint8_t byte) { return byte != 0; });
  return count;
}

class FaxSessionsWindowTest : public ::testing::Test {
protected:
  FaxSessionsWindowTest() : clock_(test::testSpeed()) {
    SetClock(&clock_);
    AppSettings = AppSettingsRecord{};
    FirstRun = false;
  }
  ~FaxSessionsWindowTest() override { SetClock(nullptr); }

  void useModem(const test::VirtualModemRun& modem, const std::string& more = "") {
    home_.dir().write("TVN.INI", "[Modem]\nComPort=2\nFaxClass=1\nFaxClassReceive=1\n[Ports]\nCOM3=" + modem.port() + "\n" +
                                     more);
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
    TWPRichText cover, document;
    ASSERT_TRUE(cover.LoadRtf(kCover));
    ASSERT_TRUE(document.LoadRtf(kLetter));
    ASSERT_TRUE(records.SaveRichText(cover, "RTFCOVER", t));
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
  // The fax file as the window makes it, kept aside to compare with what
  // arrives. The first makings are thrown away: the first drawing of a large
  // glyph can differ by a pixel from later ones, which come from Qt's cache.
  for (int making = 0; making < 2; ++making) std::filesystem::remove(window.CreateFaxFile());
  const std::string made = window.CreateFaxFile();
  ASSERT_FALSE(made.empty());
  const std::vector<test::PageRows> expected = apfPages(made);
  ASSERT_EQ(expected.size(), 2u) << "the cover and the letter";
  std::filesystem::remove(made);

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
  EXPECT_EQ(window.LastFaxPageCount, 2);
  const std::vector<test::PageRows> pages = test::readFaxPages(received);
  ASSERT_EQ(pages.size(), 2u);
  for (size_t page = 0; page < pages.size(); ++page) {
    // The far end gets each page as made, below the header line.
    ASSERT_GE(pages[page].size(), expected[page].size());
    const size_t head = pages[page].size() - expected[page].size();
    EXPECT_LT(head, 100u);
    EXPECT_GT(blackRows(expected[page]), 20) << "page " << page + 1 << " has text";
    EXPECT_EQ(test::differingRows(pages[page], expected[page], head), 0) << "page " << page + 1;
  }
  EXPECT_EQ(window.Tables().CurrentFaxField("SENT"), "T");
  EXPECT_EQ(TrimSpaces(window.Tables().CurrentFaxField("LASTRESULT")), "Sent");
  EXPECT_EQ(TrimSpaces(window.Tables().CurrentFaxField("PAGES")), "2");
  EXPECT_FALSE(home_.dir().exists("TVN_1.APF")) << "the fax file goes once it is sent";
  window.close();
}

TEST_F(FaxSessionsWindowTest, ReceiveModeAddsARowForEachFaxAndStopsOnTheSameButton) {
  const std::string tiff = home_.dir().file("incoming.tif");
  ASSERT_TRUE(test::writeTestFax(tiff, 2, true, 300));
  test::VirtualModemRun modem(home_.path(), {"--far-end", "sender", "--send-file", tiff, "--incoming-after", "1",
                                             "--remote-id", "+44 20 7946 0000"});
  ASSERT_TRUE(modem.started()) << modem.log();
  useModem(modem, "[Receive]\nPrintOnReceipt=1\nDisableReceivingFaxesNotification=1\n");
  test::WriteLogs({});
  TMainScreen window;
  test::Activate(window);
  const std::string printed = home_.dir().file("printed on receipt.pdf");
  window.FaxPrinter().Printer().setOutputFormat(QPrinter::PdfFormat);
  window.FaxPrinter().Printer().setOutputFileName(QString::fromStdString(printed));
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
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(printed); }, 10000)) << "printed on receipt";
  const std::string info = test::RunCommand("pdfinfo '" + printed + "' 2>&1").output;
  const size_t pagesAt = info.find("Pages:");
  ASSERT_NE(pagesAt, std::string::npos) << info;
  EXPECT_EQ(std::atoi(info.c_str() + pagesAt + 6), 2) << info;

  int viewerPages = 0;
  test::ModalAnswerer viewer([&](QDialog& dialog) {
    viewerPages = dynamic_cast<TFaxViewer&>(dialog).FaxViewer().ViewerPageCount();
    dialog.reject();
  });
  window.ViewFaxButtonClick();
  ASSERT_TRUE(viewer.answered());
  EXPECT_EQ(viewerPages, 2) << "the received fax opens in the viewer";
  window.ReceiveButtonClick();
  EXPECT_FALSE(window.InReceiveMode);
  EXPECT_EQ(window.ReceiveButton->text(), "&Receive");
  EXPECT_TRUE(home_.dir().exists("Lastrec.log"));
  window.close();
}

// Closing the program while a fax comes in asks first; Yes hangs up, keeps
// the page that was confirmed to the sender and leaves the modem free.
TEST_F(FaxSessionsWindowTest, ClosingDuringACallAsksThenHangsUpAndKeepsWhatArrived) {
  const std::string tiff = home_.dir().file("incoming.tif");
  ASSERT_TRUE(test::writeTestFax(tiff, 3, true, 300));
  test::VirtualModemRun modem(home_.path(), {"--far-end", "sender", "--send-file", tiff, "--incoming-after", "1"});
  ASSERT_TRUE(modem.started()) << modem.log();
  useModem(modem, "[Receive]\nDisableReceivingFaxesNotification=1\n");
  test::WriteLogs({});
  std::vector<QString> errors;
  SetErrorWindowHook([&](const QString&, const QString& text, bool) {
    errors.push_back(text);
    return 1;
  });
  TMainScreen window;
  test::Activate(window);
  window.ReceiveButtonClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.StatusText().contains(", page 2"); }, 90000)) << modem.log();
  prompts_.answer(true);
  EXPECT_TRUE(window.close());
  SetErrorWindowHook(nullptr);
  EXPECT_EQ(prompts_.prompts().back().text, "You are receiving a fax. Exit the program?");
  EXPECT_FALSE(window.InReceiveMode);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_TRUE(errors[0].startsWith("The call broke off after page 1")) << errors[0].toStdString();
  ApfFileHeader header;
  ASSERT_EQ(ReadApfHeader(home_.path() + "receive/FAX0001.APF", header), 0);
  EXPECT_EQ(header.pageCount, 1);
  FaxRecords records;
  ASSERT_TRUE(records.OpenRecFaxDBF());
  EXPECT_EQ(records.RecTable().QueryRecCount(), 1) << "the kept page has its row";
  TKovaComPort next;
  next.SetComNumber(3);
  std::string error;
  ASSERT_TRUE(OpenModemPort(next, error)) << error;
  EXPECT_TRUE(ModemAnswersAT(next, ""));
}

}  // namespace
}  // namespace telvane
