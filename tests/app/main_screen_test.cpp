#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QAbstractItemModelTester>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "app/command_availability.h"
#include "app/log_tables.h"
#include "app/main_screen.h"
#include "app/rebuild_indexes.h"
#include "platform/scripted_prompts.h"
#include "records/fax_records.h"
#include "records/rebuild_indexes.h"
#include "settings/app_settings.h"
#include "settings/ini_file.h"
#include "tests/support/modal_answerer.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

// Settings that skip the first-run setup.
constexpr char SetUpIni[] = "[Modem]\nComPort=0\n";

// Shows the window and lets its first activation run to the end.
void activate(TMainScreen& window) {
  window.show();
  QElapsedTimer timer;
  timer.start();
  while (window.FirstActivation && timer.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  QApplication::processEvents();
}

class MainScreenTest : public ::testing::Test {
protected:
  void SetUp() override { AppSettings = AppSettingsRecord{}; FirstRun = false; }
  test::ProgramDirectoryScope home;
  ScriptedPrompts prompts;
};

TEST_F(MainScreenTest, FreshDirectoryCreatesBothLogsAndAsksToReindexOnce) {
  home.dir().write("TVN.INI", SetUpIni);
  {
    prompts.answer(true);  // "The log files need to be reindexed."
    TMainScreen window;
    EXPECT_TRUE(home.dir().exists("TVN.DBF"));
    EXPECT_TRUE(home.dir().exists("TVNREC.DBF"));
    EXPECT_TRUE(home.dir().exists("receive"));
    activate(window);
    ASSERT_EQ(prompts.prompts().size(), 1u);
    EXPECT_EQ(prompts.prompts()[0].caption, "REINDEX");
    EXPECT_EQ(prompts.prompts()[0].text, "The log files need to be reindexed.\rDo this now?");
    EXPECT_TRUE(window.Tables().HasCompleteIndexes());
    window.close();
  }
  prompts.clear();
  {
    TMainScreen window;
    activate(window);
    EXPECT_TRUE(prompts.prompts().empty());
    window.close();
  }
}

TEST_F(MainScreenTest, DeletedIndexFileBringsTheQuestionBack) {
  home.dir().write("TVN.INI", SetUpIni);
  {
    prompts.answer(true);
    TMainScreen window;
    activate(window);
    window.close();
  }
  std::filesystem::remove(home.dir().file("TVN.CDX"));
  prompts.clear();
  prompts.answer(false);
  TMainScreen window;
  activate(window);
  ASSERT_EQ(prompts.prompts().size(), 1u);
  EXPECT_EQ(prompts.prompts()[0].caption, "REINDEX");
  EXPECT_FALSE(window.Tables().HasCompleteIndexes());
  window.close();
}

TEST_F(MainScreenTest, MissingComPortRunsTheFirstRunSetup) {
  prompts.answer(false);
  TMainScreen window;
  EXPECT_TRUE(FirstRun);
  EXPECT_EQ(AppSettings.ComPort, 0);
  test::ModalAnswerer setup([](QDialog& dialog) {
    dialog.findChild<QLineEdit*>(QStringLiteral("Name"))->setText(QStringLiteral("Ann Example"));
    dialog.findChild<QLineEdit*>(QStringLiteral("FaxNumber"))->setText(QStringLiteral("555 0100"));
    dialog.accept();
  });
  activate(window);
  EXPECT_TRUE(setup.answered());
  EXPECT_FALSE(FirstRun);
  const IniFile ini(home.dir().file("TVN.INI"));
  EXPECT_EQ(ini.ReadString("User", "Name", ""), "Ann Example");
  EXPECT_EQ(ini.ReadInteger("Modem", "ComPort", -1), 0);
  window.close();
}

TEST_F(MainScreenTest, ClosingSavesPlacementAndSettings) {
  home.dir().write("TVN.INI", SetUpIni);
  prompts.answer(false);
  TMainScreen window;
  activate(window);
  window.setGeometry(30, 40, 700, 500);
  AppSettings.DialAttempts = 7;
  window.close();
  const IniFile ini(home.dir().file("TVN.INI"));
  EXPECT_EQ(ini.ReadInteger("TMainScreen_Placement", "Left", -1), 30);
  EXPECT_EQ(ini.ReadInteger("TMainScreen_Placement", "Right", -1), 730);
  EXPECT_EQ(ini.ReadInteger("Dialing", "DialAttempts", 0), 7);
  EXPECT_EQ(ini.ReadString("Version", "Version", ""), "2.9z Build 5");
}

TEST_F(MainScreenTest, ReceivingFaxAsksBeforeClosing) {
  home.dir().write("TVN.INI", SetUpIni);
  prompts.answer({false, false});  // no reindex; "Exit the program?" No
  TMainScreen window;
  activate(window);
  window.FaxInProgress = true;
  EXPECT_FALSE(window.close());
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(prompts.prompts().back().caption, "Exit");
  window.FaxInProgress = false;
  window.close();
}

TEST_F(MainScreenTest, EmptyLogsDisableRowCommands) {
  home.dir().write("TVN.INI", SetUpIni);
  prompts.answer(false);
  TMainScreen window;
  activate(window);
  EXPECT_EQ(window.Newbutton->isEnabled(), CommandAvailable(Command::NewFax));
  for (QPushButton* b : {window.EditButton, window.DeleteButton, window.SendButton, window.ViewFaxButton,
                         window.Printbutton})
    EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
  EXPECT_FALSE(window.mnuCloneFax->isEnabled());
  EXPECT_FALSE(window.FaxGrid->isEnabled());
  EXPECT_EQ(window.Printbutton->property("tag").toInt(), 99);
  window.close();
}

TEST_F(MainScreenTest, ReceiveModeRefusesGuardedCommands) {
  home.dir().write("TVN.INI", SetUpIni);
  prompts.answer(false);
  TMainScreen window;
  activate(window);
  window.InReceiveMode = true;
  prompts.clear();
  window.CloneNext = true;
  window.NewbuttonClick();
  window.mnuPhoneBookClick();
  window.mnuRebuildIndexesClick();
  window.mnuPreferencesClick();
  window.SendButtonClick();
  const auto shown = prompts.prompts();
  ASSERT_EQ(shown.size(), 5u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(shown[i].text.rfind("You are in Fax Receive mode. This operation", 0), 0u);
  EXPECT_EQ(shown[4].text.rfind("You are in Fax Receive mode. You cannot send", 0), 0u);
  EXPECT_FALSE(window.CloneNext);  // a refused clone leaves nothing pending
  window.InReceiveMode = false;
  window.close();
}

TEST_F(MainScreenTest, ReceivedSoundIsSilentWhenTheFileIsMissing) {
  home.dir().write("TVN.INI", std::string(SetUpIni) + "[Receive]\nWav=/nonexistent/ring.wav\n");
  prompts.answer(false);
  TMainScreen window;
  activate(window);
  window.PostPlayReceivedSound();
  QApplication::processEvents();
  EXPECT_EQ(prompts.prompts().size(), 1u);  // only the reindex question: nothing reported
  window.close();
}

TEST_F(MainScreenTest, CloseProgramMessageClosesTheWindow) {
  home.dir().write("TVN.INI", SetUpIni);
  prompts.answer(false);
  TMainScreen window;
  activate(window);
  window.PostCloseProgram();
  QApplication::processEvents();
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(home.dir().exists("TVN.INI"));
}

TEST_F(MainScreenTest, ShowHintsTogglesAndSaves) {
  home.dir().write("TVN.INI", SetUpIni);
  prompts.answer(false);
  TMainScreen window;
  activate(window);
  EXPECT_TRUE(window.mnuShowHints->isChecked());
  window.mnuShowHints->trigger();
  EXPECT_FALSE(AppSettings.HintsOn);
  EXPECT_FALSE(IniFile(home.dir().file("TVN.INI")).ReadBool("Hints", "On", true));
  window.mnuShowHints->trigger();
  EXPECT_TRUE(AppSettings.HintsOn);
  window.close();
}

TEST_F(MainScreenTest, DesignedSizeShowsEveryButtonOnASmallScreen) {
  home.dir().write("TVN.INI", SetUpIni);
  prompts.answer(false);
  TMainScreen window;
  activate(window);
  // 592 pixels wide by design, so a 640 x 480 screen shows the whole bar, Exit included.
  EXPECT_LE(window.minimumSizeHint().width(), 592);
  window.resize(592, window.height());
  QApplication::processEvents();
  EXPECT_EQ(window.width(), 592);
  EXPECT_LE(window.Exitbutton->geometry().right(), window.ButtonBar->width());
  EXPECT_GT(window.Exitbutton->geometry().left(), window.Printbutton->geometry().right());
  window.close();
}

TEST_F(MainScreenTest, KeyboardAcceleratorsAreUnique) {
  home.dir().write("TVN.INI", SetUpIni);
  prompts.answer(false);
  TMainScreen window;
  activate(window);
  const auto mnemonic = [](const QString& text) {
    const qsizetype at = text.indexOf(QLatin1Char('&'));
    return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
  };
  // Alt+letter of the buttons and of the menu bar share one window.
  QList<QChar> topLevel;
  for (QPushButton* b : window.ButtonBar->findChildren<QPushButton*>()) topLevel << mnemonic(b->text());
  for (QAction* menu : window.menuBar()->actions()) topLevel << mnemonic(menu->text());
  for (const QChar c : topLevel) EXPECT_EQ(topLevel.count(c), 1) << QString(c).toStdString();
  QList<QKeySequence> shortcuts;
  for (QAction* menu : window.menuBar()->actions()) {
    QList<QChar> inMenu;
    for (QAction* a : menu->menu()->actions()) {
      if (!mnemonic(a->text()).isNull()) inMenu << mnemonic(a->text());
      if (!a->shortcut().isEmpty()) shortcuts << a->shortcut();
    }
    for (const QChar c : inMenu) EXPECT_EQ(inMenu.count(c), 1) << QString(c).toStdString();
  }
  for (const QKeySequence& k : shortcuts) EXPECT_EQ(shortcuts.count(k), 1) << k.toString().toStdString();
  window.close();
}

TEST_F(MainScreenTest, EscapeAndCloseCannotInterruptTheIndexRebuild) {
  home.dir().write("TVN.INI", SetUpIni);
  LogTables tables;
  ASSERT_TRUE(tables.OpenFaxDBF());
  ASSERT_TRUE(tables.OpenRecFaxDBF());
  TRebuildInd rebuild(tables);
  int rejected = 0;
  QObject::connect(&rebuild, &QDialog::rejected, [&rejected] { ++rejected; });
  QTimer::singleShot(0, &rebuild, [&rebuild] {
    QTest::keyClick(&rebuild, Qt::Key_Escape);
    rebuild.close();
  });
  EXPECT_EQ(rebuild.exec(), QDialog::Accepted);
  EXPECT_EQ(rejected, 0);
  EXPECT_TRUE(rebuild.succeeded());
  EXPECT_TRUE(tables.HasCompleteIndexes());
}

}  // namespace
}  // namespace telvane

namespace telvane {
namespace {

struct OutgoingRow {
  const char* subject;
  const char* dateSent;  // YYYYMMDD or ""
  const char* timeSent;
};

// Writes rows into the logs of the program directory, as earlier sessions
// of the program would have, with a complete index.
void writeLogs(std::initializer_list<OutgoingRow> outgoing, std::initializer_list<const char*> receivedFiles = {}) {
  FaxRecords records;
  ASSERT_TRUE(records.OpenFaxDBF());
  ASSERT_TRUE(records.OpenRecFaxDBF());
  for (const OutgoingRow& r : outgoing) {
    RecordTable& t = records.FaxTable();
    ASSERT_TRUE(t.Append());
    t.SetField("SUBJECT", r.subject);
    t.SetField("DATESENT", r.dateSent);
    t.SetField("TIMESENT", r.timeSent);
    t.SetField("SENT", *r.dateSent ? "T" : "F");
    ASSERT_TRUE(t.Post());
  }
  for (const char* file : receivedFiles) {
    RecordTable& t = records.RecTable();
    ASSERT_TRUE(t.Append());
    t.SetField("DATEREC", "20261201");
    t.SetField("TIMEREC", "10:00");
    t.SetField("FROM", "ACME SALES");
    t.SetField("FAXFILE", file);
    ASSERT_TRUE(t.Post());
  }
  ASSERT_TRUE(RebuildIndexes(records, [](std::string_view) {}));
}

TEST_F(MainScreenTest, GridsListRowsNewestFirstAndEnableRowCommands) {
  home.dir().write("TVN.INI", SetUpIni);
  writeLogs({{"oldest", "20261101", "09:00"}, {"unsent", "", ""}, {"newest", "20261205", "17:30"},
             {"earlier that day", "20261205", "08:15"}});
  TMainScreen window;
  activate(window);
  EXPECT_TRUE(prompts.prompts().empty());
  QAbstractItemModel* model = window.FaxGrid->model();
  QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  ASSERT_EQ(model->rowCount(), 4);
  QStringList subjects;
  for (int row = 0; row < 4; ++row) subjects << model->index(row, 6).data().toString();
  EXPECT_EQ(subjects, (QStringList{"newest", "earlier that day", "oldest", "unsent"}));
  EXPECT_EQ(model->index(0, 0).data().toString(), "Yes");
  EXPECT_EQ(model->index(3, 0).data().toString(), "No");
  EXPECT_EQ(model->headerData(6, Qt::Horizontal).toString(), "Subject");
  EXPECT_TRUE(window.DeleteButton->isEnabled());
  EXPECT_EQ(window.EditButton->isEnabled(), CommandAvailable(Command::EditSentFax));
  EXPECT_EQ(window.SendButton->isEnabled(), CommandAvailable(Command::SendFax));
  EXPECT_EQ(window.ViewFaxButton->isEnabled(), CommandAvailable(Command::ViewFax));
  EXPECT_EQ(window.mnuCloneFax->isEnabled(), CommandAvailable(Command::NewFax));

  window.ShowPage(LogPage::Incoming);
  window.SetButtons();
  EXPECT_FALSE(window.EditButton->isEnabled());  // the received log is empty
  EXPECT_FALSE(window.Newbutton->isEnabled());
  EXPECT_EQ(window.SendButton->isEnabled(), CommandAvailable(Command::SendFax));  // follows the outgoing log
  window.close();
}

TEST_F(MainScreenTest, DeletingAReceivedFaxAsksAndRemovesRowAndFile) {
  home.dir().write("TVN.INI", SetUpIni);
  writeLogs({}, {"FAX0001.APF"});
  std::filesystem::create_directories(home.dir().file("receive"));
  home.dir().write("receive/fax0001.apf", "image");  // found whatever the case of its name
  TMainScreen window;
  activate(window);
  window.ShowPage(LogPage::Incoming);
  window.SetButtons();
  ASSERT_EQ(window.RecFaxGrid->model()->rowCount(), 1);
  prompts.answer(true);
  window.DeleteButtonClick();
  const Prompt asked = prompts.prompts().back();
  EXPECT_EQ(asked.caption, "Delete");
  EXPECT_EQ(asked.kind, PromptKind::YesNoDefaultNo);
  EXPECT_EQ(asked.text, "Delete the current fax?\r\n(from: \"ACME SALES\")");
  EXPECT_EQ(window.RecFaxGrid->model()->rowCount(), 0);
  EXPECT_FALSE(home.dir().exists("receive/fax0001.apf"));
  EXPECT_FALSE(window.DeleteButton->isEnabled());
  window.close();
}

TEST_F(MainScreenTest, AnsweringNoToDeleteKeepsTheRow) {
  home.dir().write("TVN.INI", SetUpIni);
  writeLogs({{"keep me", "", ""}});
  TMainScreen window;
  activate(window);
  prompts.answer(false);
  window.DeleteButtonClick();
  EXPECT_EQ(prompts.prompts().back().text, "Delete the current fax?\r\n(subject: \"keep me\")");
  EXPECT_EQ(window.FaxGrid->model()->rowCount(), 1);
  window.close();
}


TEST_F(MainScreenTest, DamagedLogIsReportedAndLeftForRepairNotReplaced) {
  home.dir().write("TVN.INI", SetUpIni);
  writeLogs({{"precious", "20261101", "09:00"}});
  const std::string damaged = home.dir().read("TVN.DBF").substr(0, 40);  // cut short by a crash
  home.dir().write("TVN.DBF", damaged);
  prompts.answer(false);
  {
    TMainScreen window;
    activate(window);
    QApplication::processEvents();
    EXPECT_FALSE(window.isVisible());  // closed by its own message
  }
  ASSERT_EQ(prompts.prompts().size(), 1u) << prompts.prompts().back().text;  // nothing asked after it
  EXPECT_EQ(prompts.prompts()[0].text, "Unable to open/create the FAX datafile - closing program");
  EXPECT_EQ(home.dir().read("TVN.DBF"), damaged);
}

}  // namespace
}  // namespace telvane
