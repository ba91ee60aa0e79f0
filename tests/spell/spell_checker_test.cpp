// The walk of a spelling check through a document and the changes it makes.

#include <gtest/gtest.h>

#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include "tests/spell/qstring_print.h"
#include "spell/personal_word_list.h"
#include "spell/spell_checker.h"
#include "spell/spell_dictionary.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

class SpellCheckerTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(dictionary.Open(DictionaryDirectories(), "en_US")); }

  // Every unknown word from `position`, each ignored.
  QStringList walk(int position) {
    TSpellChecker checker(dictionary, personal);
    checker.Start(&document, position);
    QStringList found;
    for (QTextCursor w = checker.Next(); !w.isNull() && found.size() < 20; w = checker.Next())
      found << w.selectedText();
    return found;
  }

  test::ProgramDirectoryScope home;
  SpellDictionary dictionary;
  PersonalWordList personal;
  QTextDocument document;
};

TEST_F(SpellCheckerTest, FindsUnknownWordsAndPassesOverTheRest) {
  document.setPlainText(QStringLiteral("Teh fax was recieved on page 2nd.\nSee www.exmple.com or mail a@b.org. Thsi ends."));
  EXPECT_EQ(walk(0), (QStringList{"Teh", "recieved", "Thsi"}));
}

TEST_F(SpellCheckerTest, StartsAtTheCaretWordAndWrapsToIt) {
  document.setPlainText(QStringLiteral("frist secnd thrid"));
  EXPECT_EQ(walk(8), (QStringList{"secnd", "thrid", "frist"}));   // caret inside "secnd"
  EXPECT_EQ(walk(5), (QStringList{"secnd", "thrid", "frist"}));   // caret on the blank before it
  EXPECT_EQ(walk(17), (QStringList{"frist", "secnd", "thrid"}));  // caret at the end
}

TEST_F(SpellCheckerTest, ReplaceKeepsTheLookAndGoesOnAfterIt) {
  document.setPlainText(QStringLiteral("A recieved fax."));
  QTextCursor bold(&document);
  bold.setPosition(2);
  bold.setPosition(10, QTextCursor::KeepAnchor);
  QTextCharFormat format;
  format.setFontWeight(QFont::Bold);
  bold.mergeCharFormat(format);

  TSpellChecker checker(dictionary, personal);
  checker.Start(&document, 0);
  QTextCursor word = checker.Next();
  ASSERT_EQ(word.selectedText(), "recieved");
  checker.Replace(word, QStringLiteral("received"));
  EXPECT_TRUE(checker.Next().isNull());
  EXPECT_EQ(document.toPlainText(), "A received fax.");
  QTextCursor probe(&document);
  probe.setPosition(5);
  EXPECT_EQ(probe.charFormat().fontWeight(), QFont::Bold);
}

TEST_F(SpellCheckerTest, ReplaceAllChangesEveryLaterAndEarlierOccurrence) {
  document.setPlainText(QStringLiteral("teh start, teh middle, Teh end, teh."));
  TSpellChecker checker(dictionary, personal);
  checker.Start(&document, 11);  // at the second "teh"
  QTextCursor word = checker.Next();
  ASSERT_EQ(word.selectedText(), "teh");
  checker.ReplaceAll(word, QStringLiteral("the"));
  word = checker.Next();
  ASSERT_EQ(word.selectedText(), "Teh");  // another spelling is asked about
  checker.Replace(word, QStringLiteral("The"));
  EXPECT_TRUE(checker.Next().isNull());
  EXPECT_EQ(document.toPlainText(), "the start, the middle, The end, the.");
}

TEST_F(SpellCheckerTest, AReplacementOfTheFirstWordIsNotMetAgain) {
  document.setPlainText(QStringLiteral("one frist two"));
  TSpellChecker checker(dictionary, personal);
  checker.Start(&document, 4);
  QTextCursor word = checker.Next();
  checker.Replace(word, QStringLiteral("fristfrist"));  // still unknown
  EXPECT_TRUE(checker.Next().isNull());
}

TEST_F(SpellCheckerTest, IgnoreAllAndAddAcceptTheWord) {
  document.setPlainText(QStringLiteral("Zorblat and Qwyx meet Zorblat and Qwyx."));
  TSpellChecker checker(dictionary, personal);
  checker.Start(&document, 0);
  checker.IgnoreAll(checker.Next().selectedText());
  EXPECT_TRUE(checker.Add(checker.Next().selectedText()));
  EXPECT_TRUE(checker.Next().isNull());
  EXPECT_EQ(home.dir().read("TVNWORDS.DIC"), "Qwyx\n");
  // A new check accepts the added word, not the ignored one.
  EXPECT_EQ(walk(0), (QStringList{"Zorblat", "Zorblat"}));
}

TEST_F(SpellCheckerTest, AnEmptyDocumentHasNothingToAsk) {
  EXPECT_TRUE(walk(0).isEmpty());
}

}  // namespace
}  // namespace telvane
