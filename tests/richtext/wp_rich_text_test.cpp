// The control as the editors use it: files, insert points, merge, zoom,
// word wrap, paragraph attributes, content queries, the spell action and
// the toolbar.

#include <gtest/gtest.h>

#include <QFile>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

#include "richtext/wp_rich_text.h"
#include "serial/kova_exceptions.h"
#include "tests/richtext/rtf_test_util.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

TEST(InsertPoints, TagZeroIsRejectedWithTheMessage) {
  TWPRichText text;
  try {
    text.InsertInsertPoint(0, "[X]");
    FAIL() << "no exception";
  } catch (const EKovaException& e) {
    EXPECT_STREQ(e.what(), "Insertpoint-tag has to be >0");
  }
  EXPECT_THROW(text.InsertInsertPoint(-3, "[X]"), EKovaException);
  EXPECT_EQ(text.InsertPointCount(), 0);
}

TEST(InsertPoints, SurviveSaveAndLoadAndMergeByTag) {
  TWPRichText text;
  text.insertPlainText("To: ");
  text.InsertInsertPoint(1, "[RECIPIENT]");
  text.insertPlainText("\nFax: ");
  text.InsertInsertPoint(2, "[FAX#]");
  text.insertPlainText(" on ");
  text.InsertInsertPoint(4, "[DATE]");
  text.InsertInsertPoint(9, "[NOBODY]");
  EXPECT_EQ(text.InsertPointCount(), 4);
  EXPECT_EQ(text.TextLines(), QStringList({"To: [RECIPIENT]", "Fax: [FAX#] on [DATE][NOBODY]"}));

  TWPRichText loaded;
  QString error;
  EXPECT_TRUE(loaded.LoadRtf(text.SaveRtf(), &error)) << error.toStdString();
  ASSERT_EQ(loaded.InsertPointCount(), 4);
  QList<int> asked;
  loaded.GetTextToInsert = [&](int tag) {
    asked << tag;
    return tag == 1 ? QString("Ann Smith") : tag == 2 ? QString("+44 20 7946 0000") : tag == 4 ? QString("09/12/26") : QString();
  };
  loaded.MergeInsertPoints();
  EXPECT_EQ(loaded.InsertPointCount(), 0);
  EXPECT_EQ(loaded.toPlainText(), "To: Ann Smith\nFax: +44 20 7946 0000 on 09/12/26");
  std::sort(asked.begin(), asked.end());
  EXPECT_EQ(asked, QList<int>({1, 2, 4, 9}));

  TWPRichText noHandler;
  noHandler.LoadRtf(text.SaveRtf());
  noHandler.MergeInsertPoints();
  EXPECT_EQ(noHandler.toPlainText(), "To: \nFax:  on ");
}

TEST(InsertPoints, AreOneCharacterForTheCaret) {
  TWPRichText text;
  text.insertPlainText("a");
  text.InsertInsertPoint(3, QString(300, u'x'));
  text.insertPlainText("b");
  EXPECT_EQ(text.TextLines().value(0).size(), 2 + 254) << "caption cut to 254 characters";
  text.moveCursor(QTextCursor::End);
  QTest::keyClick(&text, Qt::Key_Left);
  QTest::keyClick(&text, Qt::Key_Backspace);
  EXPECT_EQ(text.InsertPointCount(), 0);
  EXPECT_EQ(text.toPlainText(), "ab");
}

TEST(WPRichText, FilesLoadAndSave) {
  test::TempDir dir;
  const std::string path = dir.file("Eraseme.rtf");
  TWPRichText text;
  text.setPlainText("hello\nworld");
  ASSERT_TRUE(text.SaveToRtfFile(path));
  TWPRichText back;
  const QTextDocument* document = back.document();  // others (the spell checker) attach to it
  ASSERT_TRUE(back.LoadFromRtfFile(path));
  EXPECT_EQ(back.toPlainText(), "hello\nworld");
  EXPECT_EQ(back.document(), document);
  EXPECT_FALSE(back.LoadFromRtfFile(dir.file("missing.rtf")));
  QFile empty(QString::fromStdString(dir.file("empty.rtf")));
  ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
  empty.close();
  EXPECT_TRUE(back.LoadFromRtfFile(empty.fileName().toStdString()));
  EXPECT_FALSE(back.HasContent());
  back.Clear();
  EXPECT_FALSE(back.HasContent());
}

TEST(WPRichText, DamagedRtfShowsWhatCouldBeRead) {
  TWPRichText text;
  QString error;
  EXPECT_FALSE(text.LoadRtf("{\\rtf1 {\\b kept", &error));
  EXPECT_EQ(text.toPlainText(), "kept");
  EXPECT_FALSE(error.isEmpty());
}

TEST(WPRichText, ZoomAndWordWrapSetTheLineWidthFromThePage) {
  TWPRichText text;
  text.SetPageLayout(PageLayoutTwips{12240, 15840, 720, 720, 720, 720});
  const int dpi = text.logicalDpiY();
  EXPECT_EQ(text.lineWrapMode(), QTextEdit::FixedPixelWidth);
  EXPECT_EQ(text.lineWrapColumnOrWidth(), dpi * 15 / 2);  // 7.5 inches of text
  text.SetZoom(200);
  EXPECT_EQ(text.Zoom(), 200);
  EXPECT_EQ(text.lineWrapColumnOrWidth(), dpi * 15);
  text.SetWordWrap(false);
  EXPECT_FALSE(text.WordWrap());
  EXPECT_EQ(text.lineWrapMode(), QTextEdit::NoWrap);
  text.SetWordWrap(true);
  EXPECT_EQ(text.lineWrapMode(), QTextEdit::FixedPixelWidth);
  text.SetZoom(70);
  EXPECT_EQ(text.Zoom(), 70);
}

TEST(WPRichText, ParagraphAttributesAndPageBreak) {
  TWPRichText text;
  text.setPlainText("one\ntwo");
  text.setTextCursor(QTextCursor(text.document()->findBlockByNumber(1)));
  QTextBlockFormat f = text.CurrentParagraphAttributes();
  f.setAlignment(Qt::AlignRight);
  text.SetCurrentParagraphAttributes(f);
  text.InsertPageBreak();
  const QTextBlockFormat two = text.document()->findBlockByNumber(1).blockFormat();
  EXPECT_EQ(two.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  EXPECT_EQ(two.pageBreakPolicy(), QTextFormat::PageBreak_AlwaysBefore);
  EXPECT_EQ(text.document()->firstBlock().blockFormat().pageBreakPolicy(), QTextFormat::PageBreak_Auto);
  TWPRichText back;
  back.LoadRtf(text.SaveRtf());
  EXPECT_EQ(back.document()->findBlockByNumber(1).blockFormat().pageBreakPolicy(), QTextFormat::PageBreak_AlwaysBefore);
}

TEST(WPRichText, CurrentFontAppliesToNewText) {
  TWPRichText text;
  text.SetCurrentFont("Liberation Mono", 14, FontStyleBold | FontStyleItalic);
  text.insertPlainText("typed");
  const QTextCharFormat f = test::FormatAt(*text.document(), 0);
  EXPECT_EQ(f.fontFamilies().toStringList().value(0), "Liberation Mono");
  EXPECT_DOUBLE_EQ(f.fontPointSize(), 14.0);
  EXPECT_EQ(f.fontWeight(), QFont::Bold);
  EXPECT_TRUE(f.fontItalic());
  EXPECT_FALSE(f.fontUnderline());
}

TEST(WPRichText, ContentQueries) {
  TWPRichText text;
  EXPECT_FALSE(text.HasContent());
  EXPECT_EQ(text.CharacterCount(), 0);
  text.setPlainText("  \n \t\nx");
  EXPECT_TRUE(text.HasContent());
  EXPECT_EQ(text.CharacterCount(), 7);
  EXPECT_EQ(text.TextLines(), QStringList({"  ", " \t", "x"}));
  text.CaretToStart();
  EXPECT_EQ(text.textCursor().position(), 0);
}

TEST(WPRichText, SpellActionAndF7RaiseStartSpellCheck) {
  TWPRichText text;
  int started = 0;
  text.StartSpellCheck = [&] { ++started; };
  text.findChild<QAction*>("spellCheckAction")->trigger();
  EXPECT_EQ(started, 1);
  text.StartSpellCheck = nullptr;
  text.findChild<QAction*>("spellCheckAction")->trigger();  // no handler: nothing happens
}

TEST(WPToolBar, FormatsTheSelectionAndTakesExtraButtons) {
  TWPRichText text;
  TWPToolBar bar;
  bar.SetEditor(&text);
  text.setPlainText("word");
  text.selectAll();
  bar.findChild<QAction*>("boldAction")->trigger();
  bar.findChild<QAction*>("italicAction")->trigger();
  bar.findChild<QAction*>("alignCenterAction")->trigger();
  const QTextCharFormat f = test::FormatAt(*text.document(), 0);
  EXPECT_EQ(f.fontWeight(), QFont::Bold);
  EXPECT_TRUE(f.fontItalic());
  EXPECT_EQ(text.document()->firstBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  EXPECT_TRUE(bar.findChild<QAction*>("boldAction")->isChecked());

  int clicks = 0;
  QToolButton* extra = bar.AddExtraButton(QIcon(), "Insert a page break", [&] { ++clicks; }, true);
  bar.AddSpacer(2);
  ASSERT_NE(extra, nullptr);
  EXPECT_EQ(extra->toolTip(), "Insert a page break");
  EXPECT_TRUE(extra->isCheckable());
  extra->click();
  EXPECT_EQ(clicks, 1);

  int spell = 0;
  text.StartSpellCheck = [&] { ++spell; };
  bar.findChild<QAction*>("spellCheckAction")->trigger();
  EXPECT_EQ(spell, 1);
}

}  // namespace
}  // namespace telvane
