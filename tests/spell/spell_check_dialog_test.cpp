// The spelling dialog on a text control with known misspellings, its
// buttons pressed as a user would.

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>

#include "platform/scripted_prompts.h"
#include "tests/spell/qstring_print.h"
#include "spell/spell_check_dialog.h"
#include "tests/support/modal_answerer.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

class SpellCheckDialogTest : public ::testing::Test {
protected:
  // Runs a check of the editor, `answer` pressing the dialog's buttons.
  int check(const std::function<void(TSpellCheckDialog&)>& answer) {
    TSpellCheckDialog dialog(&editor);
    test::ModalAnswerer answerer([&](QDialog& shown) { answer(dynamic_cast<TSpellCheckDialog&>(shown)); });
    return dialog.exec();
  }

  std::vector<std::string> informationTexts() const {
    std::vector<std::string> out;
    for (const Prompt& p : prompts.prompts()) out.push_back(p.text);
    return out;
  }

  test::ProgramDirectoryScope home;
  ScriptedPrompts prompts;
  QTextEdit editor;
};

TEST_F(SpellCheckDialogTest, ReplaceIgnoreAllAndIgnoreThenComplete) {
  editor.setPlainText(QStringLiteral("Teh fax recieved. Zorblat and Zorblat. Well thsi."));
  const int result = check([](TSpellCheckDialog& d) {
    ASSERT_EQ(d.CurrentWord(), "Teh");
    EXPECT_TRUE(d.ContextView->text().contains(QStringLiteral("<font color=\"#c00000\">Teh</font>")));
    EXPECT_EQ(d.ReplacementEdit->text(), d.SuggestionList->item(0)->text());  // the first suggestion
    d.SuggestionList->setCurrentItem(d.SuggestionList->findItems(QStringLiteral("The"), Qt::MatchExactly).value(0));
    EXPECT_EQ(d.ReplacementEdit->text(), "The");
    d.ReplaceButton->click();
    ASSERT_EQ(d.CurrentWord(), "recieved");
    EXPECT_FALSE(d.SuggestionList->findItems(QStringLiteral("received"), Qt::MatchExactly).isEmpty());
    d.ReplacementEdit->setText(QStringLiteral("received"));
    d.ReplaceButton->click();
    ASSERT_EQ(d.CurrentWord(), "Zorblat");
    d.IgnoreAllButton->click();
    ASSERT_EQ(d.CurrentWord(), "thsi");
    d.IgnoreButton->click();
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(editor.toPlainText(), "The fax received. Zorblat and Zorblat. Well thsi.");
  EXPECT_EQ(informationTexts(), (std::vector<std::string>{"The spelling check is complete."}));
}

TEST_F(SpellCheckDialogTest, ReplaceAllChangesEveryOccurrence) {
  editor.setPlainText(QStringLiteral("acheive this, acheive that"));
  check([](TSpellCheckDialog& d) {
    d.ReplacementEdit->setText(QStringLiteral("achieve"));
    d.ReplaceAllButton->click();
  });
  EXPECT_EQ(editor.toPlainText(), "achieve this, achieve that");
}

TEST_F(SpellCheckDialogTest, AddedWordsCountInLaterChecks) {
  editor.setPlainText(QStringLiteral("Greetings from Telvane."));
  check([](TSpellCheckDialog& d) {
    ASSERT_EQ(d.CurrentWord(), "Telvane");
    d.AddButton->click();
  });
  EXPECT_EQ(home.dir().read("TVNWORDS.DIC"), "Telvane\n");
  // The next check knows the word: nothing to ask, only the closing note.
  prompts.clear();
  TSpellCheckDialog again(&editor);
  EXPECT_EQ(again.exec(), QDialog::Accepted);
  EXPECT_EQ(informationTexts(), (std::vector<std::string>{"The spelling check is complete."}));
}

TEST_F(SpellCheckDialogTest, CloseStopsAndLeavesTheRest) {
  editor.setPlainText(QStringLiteral("frist secnd"));
  const int result = check([](TSpellCheckDialog& d) { d.CloseButton->click(); });
  EXPECT_EQ(result, 2);
  EXPECT_EQ(editor.toPlainText(), "frist secnd");
  EXPECT_TRUE(prompts.prompts().empty());
}

TEST_F(SpellCheckDialogTest, TheCheckStartsAtTheCaretAndShowsTheWordInTheEditor) {
  editor.setPlainText(QStringLiteral("frist secnd"));
  QTextCursor caret = editor.textCursor();
  caret.setPosition(7);
  editor.setTextCursor(caret);
  check([this](TSpellCheckDialog& d) {
    EXPECT_EQ(d.CurrentWord(), "secnd");
    EXPECT_EQ(editor.textCursor().selectedText(), "secnd");
    d.IgnoreButton->click();
    EXPECT_EQ(d.CurrentWord(), "frist");
    d.CloseButton->click();
  });
}

TEST_F(SpellCheckDialogTest, UndoTakesBackOneReplacement) {
  editor.setPlainText(QStringLiteral("a frist b"));
  check([](TSpellCheckDialog& d) {
    d.ReplacementEdit->setText(QStringLiteral("first"));
    d.ReplaceButton->click();
  });
  EXPECT_EQ(editor.toPlainText(), "a first b");
  editor.undo();
  EXPECT_EQ(editor.toPlainText(), "a frist b");
}

}  // namespace
}  // namespace telvane
