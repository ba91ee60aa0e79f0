// The log maintenance window driven as a user would: menus, questions,
// dialogs, and the rebuild the main window runs afterwards.

#include <gtest/gtest.h>

#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <filesystem>

#include "app/date_selector.h"
#include "app/delete_for_conditions.h"
#include "app/dm_form.h"
#include "app/log_tables.h"
#include "platform/scripted_prompts.h"
#include "records/fax_records.h"
#include "settings/app_settings.h"
#include "tests/app/app_test_logs.h"
#include "tests/support/modal_answerer.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

class DMFormTest : public ::testing::Test {
protected:
  void SetUp() override {
    home.dir().write("TVN.INI", test::SetUpIni);
    std::filesystem::create_directories(home.dir().file("receive"));
  }
  void open() {
    ASSERT_TRUE(tables.OpenFaxDBF());
    ASSERT_TRUE(tables.OpenRecFaxDBF());
    tables.PrepareFaxOrder();
    tables.PrepareRecOrder();
  }
  test::ProgramDirectoryScope home;
  ScriptedPrompts prompts;
  LogTables tables;
};

TEST_F(DMFormTest, ListsEveryRowWithItsMarkAndPutsTheFilterBack) {
  test::WriteLogs({{"Ann", "Plans", "20261101"}, {"Bob", "Draft", ""}});
  open();
  RecordTable& fax = tables.Records().FaxTable();
  ASSERT_TRUE(fax.Query("RECIPIENT = \"Ann\""));
  TDMForm form(tables);
  form.show();
  EXPECT_EQ(fax.DBFilter(), "");
  QAbstractItemModel* model = form.SendGrid->model();
  ASSERT_EQ(model->rowCount(), 2);
  EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "Deleted?");
  EXPECT_EQ(model->index(0, 0).data().toString(), "No");
  EXPECT_TRUE(form.mnuDeleteSent->isVisible());
  form.ShowPage(LogKind::Received);
  EXPECT_FALSE(form.mnuDeleteSent->isVisible());
  EXPECT_EQ(form.PageControl->tabText(1), "Incoming Faxes (none)");
  EXPECT_FALSE(form.mnuDeleteAll->isEnabled());  // nothing to delete on this page
  form.accept();
  EXPECT_EQ(fax.DBFilter(), "RECIPIENT = \"Ann\"");
  EXPECT_FALSE(form.Changed);
}

TEST_F(DMFormTest, DeleteAllReceivedAsksCountsAndRemovesFiles) {
  test::WriteLogs({}, {{"ACME", "20261101", "FAX0001.APF"}, {"ZED", "20261102", "FAX0002.APF"}});
  home.dir().write("receive/FAX0001.APF", "x");
  home.dir().write("receive/FAX0002.APF", "x");
  open();
  TDMForm form(tables);
  form.show();
  form.ShowPage(LogKind::Received);
  prompts.answer(true);
  form.mnuDeleteAll->trigger();
  const auto shown = prompts.prompts();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "Delete all received faxes ? (action is permanent)");
  EXPECT_EQ(shown[0].caption, "DELETE ALL");
  EXPECT_EQ(shown[1].text, "2 deleted.");
  EXPECT_FALSE(home.dir().exists("receive/FAX0001.APF"));
  EXPECT_FALSE(home.dir().exists("receive/FAX0002.APF"));
  EXPECT_TRUE(form.Changed);
  EXPECT_EQ(form.RecGrid->model()->rowCount(), 0);
  EXPECT_FALSE(form.RecGrid->isEnabled());
}

TEST_F(DMFormTest, DateDeletionAskedNoLeavesNoDateTestBehind) {
  test::WriteLogs({{"Ann", "Plans", "20261101"}, {"Bob", "Draft", ""}});
  open();
  TDMForm form(tables);
  form.show();
  test::ModalAnswerer pick([](QDialog& dialog) {
    auto& selector = dynamic_cast<TDateSelector&>(dialog);
    EXPECT_EQ(selector.windowTitle(), "Delete all before...");
    EXPECT_EQ(selector.Calendar->firstDayOfWeek(), Qt::Sunday);
    selector.setDate(QDate(2026, 12, 9));
    selector.accept();
  });
  prompts.answer(false);
  form.mnuDeleteBefore->trigger();
  EXPECT_TRUE(pick.answered());
  ASSERT_EQ(prompts.prompts().size(), 1u);
  EXPECT_EQ(prompts.prompts()[0].text, "Delete all outgoing faxes prior to " +
                                           QLocale().toString(QDate(2026, 12, 9), QLocale::LongFormat).toStdString() +
                                           " (action is permanent)?");
  EXPECT_FALSE(form.DateCheck);
  prompts.answer(true);
  form.mnuDeleteAll->trigger();
  EXPECT_EQ(prompts.prompts().back().text, "2 deleted.");
}

TEST_F(DMFormTest, ConditionsDialogRefusesBlankAndDeletesPartialMatches) {
  test::WriteLogs({{"Acme", "a", "20261101"}, {"Pacific", "b", "20261101"}, {"Zenith", "c", "20261101"}});
  open();
  TDMForm form(tables);
  form.show();
  prompts.answer(true);  // "Are you sure ...?"
  test::ModalAnswerer fill([](QDialog& dialog) {
    auto& d = dynamic_cast<TDeleteForConditions&>(dialog);
    EXPECT_FALSE(d.rFrom->isEnabled());
    EXPECT_TRUE(d.rRecipient->isChecked());
    d.FaxRECIPIENT->setText("  ");
    d.findChild<QPushButton*>("OkButton")->click();  // blank: refused, stays open
    EXPECT_TRUE(d.isVisible());
    d.FaxRECIPIENT->setText("ac");
    d.ExactMatch->setChecked(false);
    d.findChild<QPushButton*>("OkButton")->click();
  });
  form.mnuDeleteConditions->trigger();
  ASSERT_TRUE(fill.answered());
  const auto shown = prompts.prompts();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].text, "Please enter a value");
  EXPECT_EQ(shown[1].caption, "VERIFY DELETE");
  EXPECT_EQ(shown[2].text, "2 deleted.");
}

TEST_F(DMFormTest, CleanupFromTheMainWindowRebuildsOnlyAfterADeletion) {
  test::WriteLogs({{"Ann", "Plans", "20261101"}, {"Bob", "Draft", ""}});
  TMainScreen window;
  test::Activate(window);
  const auto fileSize = [&] { return std::filesystem::file_size(home.dir().file("TVN.DBF")); };
  const auto before = fileSize();
  {
    test::ModalAnswerer close([](QDialog& dialog) { dialog.accept(); });
    window.mnuCleanup->trigger();
  }
  EXPECT_EQ(fileSize(), before);  // nothing deleted, nothing packed
  {
    prompts.answer(true);
    test::ModalAnswerer cleanup([](QDialog& dialog) {
      auto& form = dynamic_cast<TDMForm&>(dialog);
      form.mnuDeleteUnsent->trigger();
      form.accept();
    });
    window.mnuCleanup->trigger();
    ASSERT_TRUE(cleanup.answered());
  }
  EXPECT_LT(fileSize(), before);  // the rebuild packed the deleted row away
  EXPECT_EQ(window.FaxGrid->model()->rowCount(), 1);
  window.InReceiveMode = true;
  prompts.clear();
  window.mnuCleanup->trigger();
  ASSERT_EQ(prompts.prompts().size(), 1u);
  EXPECT_EQ(prompts.prompts()[0].text.rfind("You are in Fax Receive mode. This operation", 0), 0u);
  window.InReceiveMode = false;
  window.close();
}

}  // namespace
}  // namespace telvane
