// The main window's commands and the faults a new user met first.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <filesystem>

#include "app/application.h"
#include "app/command_availability.h"
#include "app/help_window.h"
#include "app/main_screen.h"
#include "app/received_notes.h"
#include "platform/scripted_prompts.h"
#include "settings/app_settings.h"
#include "settings/window_helpers.h"
#include "tests/app/app_test_logs.h"
#include "tests/support/modal_answerer.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

class MainCommandsTest : public ::testing::Test {
protected:
  void SetUp() override {
    AppSettings = AppSettingsRecord{};
    FirstRun = false;
    home.dir().write("TVN.INI", test::SetUpIni);
  }
  test::ProgramDirectoryScope home;
  ScriptedPrompts prompts;
};

TEST_F(MainCommandsTest, DeleteQuestionShowsFieldsWithoutTheirPadding) {
  test::WriteLogs({{"Ann", "Delivery schedule", ""}}, {{"ACME SALES", "20261201", "FAX0001.APF"}});
  TMainScreen window;
  test::Activate(window);
  prompts.answer({false, false});
  window.DeleteButtonClick();
  window.ShowPage(LogPage::Incoming);
  window.SetButtons();
  window.DeleteButtonClick();
  const auto shown = prompts.prompts();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "Delete the current fax?\r\n(subject: \"Delivery schedule\")");
  EXPECT_EQ(shown[1].text, "Delete the current fax?\r\n(from: \"ACME SALES\")");
  window.close();
}

TEST_F(MainCommandsTest, NotesAreEditedOnTheReceivedRow) {
  test::WriteLogs({}, {{"ACME", "20261201", "FAX0001.APF", "old note"}});
  TMainScreen window;
  test::Activate(window);
  window.ShowPage(LogPage::Incoming);
  window.SetButtons();
  ASSERT_TRUE(window.EditButton->isEnabled());
  test::ModalAnswerer edit([](QDialog& dialog) {
    auto& notes = dynamic_cast<TEditReceiveNotes&>(dialog);
    EXPECT_EQ(notes.windowTitle(), "Received Fax Notes");
    EXPECT_EQ(notes.FromLabel->text(), "From: ACME");
    EXPECT_EQ(notes.Notes->text(), "old note");
    EXPECT_EQ(notes.Notes->maxLength(), 60);
    notes.Notes->setText("call back Monday");
    notes.accept();
  });
  window.EditButtonClick();
  ASSERT_TRUE(edit.answered());
  EXPECT_EQ(window.RecFaxGrid->model()->index(0, 4).data().toString(), "call back Monday");
  window.close();
}

TEST_F(MainCommandsTest, ReceiveModeRefusesCleanupWebsiteAndReceivedDeleteButNotOutgoingDelete) {
  test::WriteLogs({{"Ann", "Plans", ""}}, {{"ACME", "20261201", "FAX0001.APF"}});
  TMainScreen window;
  test::Activate(window);
  window.InReceiveMode = true;
  prompts.answer(false);  // the outgoing Delete's question
  window.DeleteButtonClick();
  EXPECT_EQ(prompts.prompts().back().caption, "Delete");
  window.mnuCleanupClick();
  window.mnuWebsiteClick();
  window.mnuCoverSheetsClick();
  window.ShowPage(LogPage::Incoming);
  window.DeleteButtonClick();
  const auto shown = prompts.prompts();
  ASSERT_EQ(shown.size(), 5u);
  for (size_t i = 1; i < 5; ++i)
    EXPECT_EQ(shown[i].text.rfind("You are in Fax Receive mode. This operation", 0), 0u) << i;
  window.InReceiveMode = false;
  window.close();
}

TEST_F(MainCommandsTest, CommandsWithoutTheirWindowAreDisabledWithAHint) {
  test::WriteLogs({{"Ann", "Plans", ""}});
  TMainScreen window;
  test::Activate(window);
  if (!CommandAvailable(Command::SendFax)) {
    EXPECT_FALSE(window.SendButton->isEnabled());
    EXPECT_TRUE(window.SendButton->toolTip().contains("later version"));
  }
  if (!CommandAvailable(Command::PhoneBook)) {
    EXPECT_FALSE(window.mnuPhoneBook->isEnabled());
    EXPECT_TRUE(window.mnuPhoneBook->statusTip().contains("later version"));
  }
  EXPECT_TRUE(window.DeleteButton->isEnabled());
  EXPECT_EQ(window.DeleteButton->toolTip(), "Delete  the currently selected fax");
  EXPECT_TRUE(window.mnuCleanup->isEnabled());
  EXPECT_TRUE(window.mnuRebuildIndexes->isEnabled());
  window.close();
}

TEST_F(MainCommandsTest, SearchFiltersBothLogsAsOneTypesAndEscapeClears) {
  test::WriteLogs({{"Ann Example", "Plans", "20261101", "555 0100"},
                   {"Bob", "Invoice for Ann", "20261102", "555 0200"},
                   {"Carl", "Draft", "", "555 0300"}},
                  {{"ANN'S SHOP", "20261201", "A.APF"}, {"ZED", "20261202", "Z.APF", "about the plans"}});
  TMainScreen window;
  test::Activate(window);
  QTest::keyClicks(window.SearchEdit, "an");
  EXPECT_EQ(window.FaxGrid->model()->rowCount(), 2);  // recipient and subject
  EXPECT_EQ(window.RecFaxGrid->model()->rowCount(), 2);  // sender, and notes "about the plans"
  QTest::keyClicks(window.SearchEdit, "n e");
  EXPECT_EQ(window.FaxGrid->model()->rowCount(), 1);
  window.SearchEdit->setText("0300");
  EXPECT_EQ(window.FaxGrid->model()->index(0, 3).data().toString(), "Carl");
  window.SearchEdit->setText("PLANS");
  EXPECT_EQ(window.RecFaxGrid->model()->rowCount(), 1);  // notes
  window.SearchEdit->setText("nobody");
  EXPECT_EQ(window.FaxGrid->model()->rowCount(), 0);
  EXPECT_FALSE(window.DeleteButton->isEnabled());  // no hidden row can be deleted
  QTest::keyClick(window.SearchEdit, Qt::Key_Escape);
  EXPECT_EQ(window.SearchEdit->text(), "");
  EXPECT_EQ(window.FaxGrid->model()->rowCount(), 3);
  EXPECT_TRUE(window.DeleteButton->isEnabled());
  window.close();
}

TEST_F(MainCommandsTest, ColumnsFitTheDesignedWidthWithoutScrolling) {
  test::WriteLogs({{"Northwind Trading Company Ltd", "Delivery schedule for the second quarter", "20261101",
                    "+44 20 7946 0958", "No answer after 3 attempts; the line was busy"}},
                  {{"WAREHOUSE 12 DEPOT", "20261201", "FAX0001.APF", "pallets"}});
  TMainScreen window;
  test::Activate(window);
  window.resize(592, 383);
  QApplication::processEvents();
  EXPECT_EQ(window.FaxGrid->horizontalScrollBar()->maximum(), 0);
  window.ShowPage(LogPage::Incoming);
  QApplication::processEvents();
  EXPECT_EQ(window.RecFaxGrid->horizontalScrollBar()->maximum(), 0);
  const int last = window.RecFaxGrid->model()->columnCount() - 1;  // Fax File
  EXPECT_GE(window.RecFaxGrid->columnWidth(last),
            window.RecFaxGrid->fontMetrics().horizontalAdvance("FAX0001.APF"));
  window.close();
}

TEST_F(MainCommandsTest, TabLeavesTheGridForTheButtons) {
  test::WriteLogs({{"Ann", "Plans", ""}, {"Bob", "Draft", ""}});
  TMainScreen window;
  test::Activate(window);
  QApplication::setActiveWindow(&window);
  window.FaxGrid->setFocus();
  ASSERT_TRUE(window.FaxGrid->hasFocus());
  QTest::keyClick(window.FaxGrid, Qt::Key_Tab);
  EXPECT_FALSE(window.FaxGrid->hasFocus());
  window.close();
}

TEST_F(MainCommandsTest, EveryHelpTopicHasText) {
  for (int context : {help_context::Contents, help_context::Faq, help_context::TechnicalHelp,
                      help_context::TechnicalSupport, help_context::Viewer, help_context::LogCleanup}) {
    THelpWindow help;
    help.showTopic(context);
    EXPECT_GT(help.shownText().trimmed().size(), 100) << context;
  }
}

TEST_F(MainCommandsTest, CaptionsCarryNoApplicationNameSuffix) {
  SetApplicationNames();
  EXPECT_EQ(QApplication::applicationName(), "Telvane");
  // A display name set explicitly would stay; unset, it follows the name.
  QApplication::setApplicationName("Renamed");
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), "Renamed");
}

// A message box runs the event loop while it is up; this handler does too.
class ModalPrompts : public ScriptedPrompts {
public:
  bool show(const Prompt& prompt) override {
    QApplication::processEvents();
    return ScriptedPrompts::show(prompt);
  }
};

TEST_F(MainCommandsTest, NeitherLogOpensGivesOneMessageEachAndNoWindow) {
  std::filesystem::remove(home.dir().file("TVN.INI"));
  std::filesystem::create_directories(home.dir().file("TVN.INI"));  // settings cannot be written either
  home.dir().write("TVN.DBF", std::string(40, 'x'));
  home.dir().write("TVNREC.DBF", std::string(40, 'x'));
  ModalPrompts modal;
  {
    TMainScreen window;
    EXPECT_TRUE(window.StartFailed);
    EXPECT_FALSE(window.isVisible());
    QApplication::processEvents();
  }
  const auto shown = modal.prompts();
  ASSERT_EQ(shown.size(), 2u) << shown.back().text;
  EXPECT_EQ(shown[0].text, "Unable to open/create the FAX datafile - closing program");
  EXPECT_EQ(shown[1].text, "Unable to open/create the FAX RECEIVE datafile - closing program");
}

TEST_F(MainCommandsTest, WebsiteSaysSoWhenNoBrowserStarts) {
  TMainScreen window;
  test::Activate(window);
  for (const char* opener : {"/nonexistent/xdg-open", "false"}) {
    prompts.clear();
    window.UrlOpener = QString::fromLatin1(opener);
    window.mnuWebsiteClick();
    QTRY_COMPARE_WITH_TIMEOUT(prompts.prompts().size(), size_t{1}, 10000);
    EXPECT_EQ(prompts.prompts()[0].text.rfind("No web browser could be started", 0), 0u) << opener;
  }
  window.close();
}

TEST_F(MainCommandsTest, DefaultFontSaveFailureIsShownNotThrown) {
  std::filesystem::remove(home.dir().file("TVN.INI"));
  std::filesystem::create_directories(home.dir().file("TVN.INI"));
  test::ModalAnswerer choose([](QDialog& dialog) { dialog.accept(); });
  bool chosen = false;
  EXPECT_NO_THROW(chosen = ChooseDefaultFont(nullptr));
  EXPECT_TRUE(chosen);
  ASSERT_EQ(prompts.prompts().size(), 1u);
  EXPECT_EQ(prompts.prompts()[0].text.rfind("Unable to write to ", 0), 0u);
}

TEST_F(MainCommandsTest, DamagedMemoLosesNothingAndTheRowStillDeletes) {
  test::WriteLogs({{"Ann", "Plans", ""}, {"Bob", "Draft", ""}});
  {
    FaxRecords records;
    ASSERT_TRUE(records.OpenFaxDBF());
    RecordTable& t = records.FaxTable();
    t.Go(1);
    ASSERT_TRUE(t.Edit());
    ASSERT_EQ(t.table()->PutMemo("RTFCOVER", "{\\rtf1 cover}"), 0);
    ASSERT_TRUE(t.Post());
  }
  home.dir().write("TVN.FPT", std::string(10, '\xff'));  // memo file cut short
  TMainScreen window;
  test::Activate(window);
  ASSERT_EQ(window.FaxGrid->model()->rowCount(), 2);
  prompts.answer(true);
  window.DeleteButtonClick();
  EXPECT_EQ(window.FaxGrid->model()->rowCount(), 1);
  window.close();
}

}  // namespace
}  // namespace telvane
