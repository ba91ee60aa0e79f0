// The cover template browser and editor on a real cover table, with
// scripted questions and the editor answered as the user would.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>

#include "compose/cover_browse.h"
#include "compose/cover_editor.h"
#include "compose/zoom_button.h"
#include "platform/scripted_prompts.h"
#include "tests/compose/compose_test_rows.h"
#include "tests/support/modal_answerer.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

class CoverWindowsTest : public testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(records.OpenCoverDBF()) << records.lastError(); }

  // Answers the next cover editor: `edit` changes it, then Accept or Cancel.
  std::unique_ptr<test::ModalAnswerer> answerEditor(std::function<void(TCoverEditor&)> edit, bool accept) {
    return std::make_unique<test::ModalAnswerer>([edit = std::move(edit), accept](QDialog& dialog) {
      auto* editor = qobject_cast<TCoverEditor*>(&dialog);
      ASSERT_NE(editor, nullptr);
      edit(*editor);
      (accept ? editor->OKbutton : editor->CancelButton)->click();
    });
  }
  std::vector<std::string> descriptions() {
    std::vector<std::string> out;
    xbase::Table* t = records.CoverTable().table();
    for (uint32_t r : t->VisibleRecords()) out.push_back(t->FieldText(r, t->FieldIndex("DESCRIPT")));
    for (auto& d : out) d.erase(d.find_last_not_of(' ') + 1);
    return out;
  }

  test::ProgramDirectoryScope home;
  ScriptedPrompts prompts;
  FaxRecords records;
};

TEST_F(CoverWindowsTest, ButtonsOfTheTwoModes) {
  TCoverBrowse manage(records, CoverBrowseMode::Manage);
  EXPECT_FALSE(manage.CloseButton->isHidden());
  EXPECT_TRUE(manage.Acceptbutton->isHidden());
  EXPECT_TRUE(manage.CancelButton->isHidden());
  TCoverBrowse pick(records, CoverBrowseMode::Pick);
  EXPECT_TRUE(pick.CloseButton->isHidden());
  EXPECT_FALSE(pick.Acceptbutton->isHidden());
  EXPECT_EQ(pick.Acceptbutton->toolTip(), QStringLiteral("Use this cover sheet template"));
  EXPECT_EQ(pick.windowTitle(), QStringLiteral("Cover Sheet Template Browser"));
}

TEST_F(CoverWindowsTest, NewTemplateStartsWithThePlaceholderDescription) {
  TCoverBrowse browser(records, CoverBrowseMode::Manage);
  QString seen;
  auto answer = answerEditor([&](TCoverEditor& e) {
    seen = e.CoverDescription->text();
    e.CoverDescription->setText(QStringLiteral("Letter"));
    e.WPCover->setPlainText(QStringLiteral("Dear "));
  }, true);
  browser.NewButtonClick();
  EXPECT_EQ(seen, QStringLiteral("{description}"));
  EXPECT_EQ(descriptions(), std::vector<std::string>{"Letter"});
  EXPECT_EQ(browser.CoverGrid->model()->rowCount(), 1);
}

TEST_F(CoverWindowsTest, CloneCopiesTheTemplateOnceThenNewIsEmptyAgain) {
  ASSERT_TRUE(test::AddCoverTemplate(records, "Letter", [](TWPRichText& t) { t.setPlainText(QStringLiteral("Body")); }));
  TCoverBrowse browser(records, CoverBrowseMode::Manage);
  QString clonedDescription, clonedText;
  {
    auto answer = answerEditor([&](TCoverEditor& e) {
      clonedDescription = e.CoverDescription->text();
      clonedText = e.WPCover->toPlainText();
    }, true);
    browser.CloneButtonClick();
  }
  EXPECT_EQ(clonedDescription, QStringLiteral("[clone]Letter"));
  EXPECT_EQ(clonedText, QStringLiteral("Body"));
  EXPECT_FALSE(browser.CloneRequest);
  EXPECT_EQ(descriptions(), (std::vector<std::string>{"Letter", "[clone]Letter"}));

  QString nextDescription, nextText;
  {
    auto answer = answerEditor([&](TCoverEditor& e) {
      nextDescription = e.CoverDescription->text();
      nextText = e.WPCover->toPlainText();
    }, false);
    browser.NewButtonClick();
  }
  EXPECT_EQ(nextDescription, QStringLiteral("{description}"));
  EXPECT_TRUE(nextText.isEmpty());
  EXPECT_EQ(descriptions().size(), 2u);  // cancelled: nothing added
}

TEST_F(CoverWindowsTest, EditChangesTheCurrentTemplate) {
  ASSERT_TRUE(test::AddCoverTemplate(records, "Letter", [](TWPRichText& t) { t.setPlainText(QStringLiteral("Old")); }));
  TCoverBrowse browser(records, CoverBrowseMode::Manage);
  auto answer = answerEditor([](TCoverEditor& e) {
    EXPECT_EQ(e.CoverDescription->text(), QStringLiteral("Letter"));
    e.CoverDescription->setText(QStringLiteral("Memo"));
    e.WPCover->setPlainText(QStringLiteral("New"));
  }, true);
  browser.ModifyButtonClick();
  EXPECT_EQ(descriptions(), std::vector<std::string>{"Memo"});
  EXPECT_EQ(test::PlainText(records, records.CoverTable(), "COVER"), QStringLiteral("New"));
}

TEST_F(CoverWindowsTest, DeleteAsksAndDecliningKeepsTheRow) {
  ASSERT_TRUE(test::AddCoverTemplate(records, "Letter", [](TWPRichText&) {}));
  TCoverBrowse browser(records, CoverBrowseMode::Manage);
  prompts.answer(false);
  browser.DeleteButtonClick();
  ASSERT_EQ(prompts.prompts().size(), 1u);
  EXPECT_EQ(prompts.prompts()[0].text, "Delete the current cover template?:\rLetter");
  EXPECT_EQ(prompts.prompts()[0].caption, "Delete");
  EXPECT_EQ(prompts.prompts()[0].kind, PromptKind::YesNoDefaultNo);
  EXPECT_EQ(descriptions().size(), 1u);
  prompts.answer(true);
  browser.DeleteButtonClick();
  EXPECT_TRUE(descriptions().empty());
  EXPECT_EQ(browser.CoverGrid->model()->rowCount(), 0);
}

TEST_F(CoverWindowsTest, EditCloneAndDeleteOnAnEmptyTableAskNothing) {
  TCoverBrowse browser(records, CoverBrowseMode::Manage);
  browser.ModifyButtonClick();
  browser.CloneButtonClick();
  browser.DeleteButtonClick();
  EXPECT_TRUE(prompts.prompts().empty());
  EXPECT_FALSE(browser.CloneRequest);
  EXPECT_TRUE(descriptions().empty());
}

TEST_F(CoverWindowsTest, InsertPointsStayCaptionsAndSurviveSaving) {
  TCoverEditor editor;
  for (QAction* item : editor.InsertMenu->actions()) item->trigger();
  editor.InsertMenuItemClick(QStringLiteral("Company"));  // matches no field
  EXPECT_EQ(editor.WPCover->InsertPointCount(), 5);
  const QStringList lines = editor.WPCover->TextLines();
  EXPECT_TRUE(lines.join(u' ').contains(QStringLiteral("[RECIPIENT]")));
  EXPECT_TRUE(lines.join(u' ').contains(QStringLiteral("[TIME]")));

  RecordTable& covers = records.CoverTable();
  ASSERT_TRUE(test::AppendRow(covers, [&] { return records.SaveRichText(*editor.WPCover, "COVER", covers); }));
  TCoverEditor reopened;
  records.LoadRichText(*reopened.WPCover, "COVER", covers);
  EXPECT_EQ(reopened.WPCover->InsertPointCount(), 5);
}

TEST_F(CoverWindowsTest, ZoomMenuChecksTheCurrentZoom) {
  TCoverEditor editor;
  QMenu* menu = editor.ZoomBtn->Menu();
  const auto checked = [menu] {
    QStringList out;
    for (QAction* a : menu->actions())
      if (a->isChecked()) out << a->text();
    return out;
  };
  emit menu->aboutToShow();
  EXPECT_EQ(checked(), QStringList{QStringLiteral("100%")});
  menu->actions()[0]->trigger();
  EXPECT_EQ(editor.WPCover->Zoom(), 70);
  EXPECT_EQ(editor.ZoomBtn->text(), QStringLiteral("70%"));
  editor.WPCover->SetZoom(90);
  emit menu->aboutToShow();
  EXPECT_TRUE(checked().isEmpty());
}

TEST_F(CoverWindowsTest, PageBreakAndWordWrapButtons) {
  TCoverEditor editor;
  auto* pageBreak = editor.findChild<QToolButton*>(QStringLiteral("PageBreakButton"));
  auto* wrap = editor.findChild<QToolButton*>(QStringLiteral("WordWrapButton"));
  ASSERT_TRUE(pageBreak && wrap);
  EXPECT_EQ(wrap->toolTip(), QStringLiteral("Toggle word wrap on"));
  const bool wasOn = editor.WPCover->WordWrap();
  wrap->click();
  EXPECT_EQ(editor.WPCover->WordWrap(), !wasOn);
  EXPECT_EQ(wrap->isChecked(), !wasOn);
  EXPECT_EQ(wrap->toolTip(), wasOn ? QStringLiteral("Toggle word wrap on") : QStringLiteral("Toggle word wrap off"));

  editor.WPCover->setPlainText(QStringLiteral("one\ntwo"));
  QTextCursor cursor(editor.WPCover->document()->lastBlock());
  editor.WPCover->setTextCursor(cursor);
  prompts.answer({false, true});
  pageBreak->click();
  EXPECT_EQ(editor.WPCover->CurrentParagraphAttributes().pageBreakPolicy(), QTextFormat::PageBreak_Auto);
  pageBreak->click();
  EXPECT_TRUE(editor.WPCover->CurrentParagraphAttributes().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
  ASSERT_EQ(prompts.prompts().size(), 2u);
  EXPECT_EQ(prompts.prompts()[0].text, "Add a page break here?");
  EXPECT_EQ(prompts.prompts()[0].caption, "Page Break");
  EXPECT_EQ(prompts.prompts()[0].kind, PromptKind::YesNoDefaultNo);
}

TEST_F(CoverWindowsTest, ParagraphButtonOpensTheParagraphDialogOnTheTemplate) {
  TCoverEditor editor;
  auto* paragraph = editor.findChild<QToolButton*>(QStringLiteral("ParagraphButton"));
  ASSERT_NE(paragraph, nullptr);
  test::ModalAnswerer answer([](QDialog& dialog) { dialog.reject(); });
  paragraph->click();
  EXPECT_EQ(answer.dialogClass(), QStringLiteral("telvane::TParagraphPropDlg"));
}

}  // namespace
}  // namespace telvane
