// The paragraph dialog reads the caret's paragraph and applies its values
// to the selected paragraphs.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>

#include "spell/paragraph_prop_dialog.h"
#include "tests/support/modal_answerer.h"

namespace telvane {
namespace {

QTextBlockFormat blockFormat(const QTextEdit& editor, int block) {
  return editor.document()->findBlockByNumber(block).blockFormat();
}

TEST(ParagraphUnits, LengthsConvertBothWays) {
  EXPECT_DOUBLE_EQ(IndentToPixels(2.54, IndentUnit::Centimetre, 96), 96);
  EXPECT_DOUBLE_EQ(IndentToPixels(0.5, IndentUnit::Inch, 96), 48);
  EXPECT_DOUBLE_EQ(PixelsToIndent(48, IndentUnit::Centimetre, 96), 1.27);
  EXPECT_DOUBLE_EQ(PointsToPixels(12, 96), 16);
  EXPECT_DOUBLE_EQ(PixelsToPoints(16, 96), 12);
  EXPECT_EQ(IndentUnitFor(QLocale(QLocale::English, QLocale::UnitedStates)), IndentUnit::Inch);
  EXPECT_EQ(IndentUnitFor(QLocale(QLocale::German, QLocale::Germany)), IndentUnit::Centimetre);
}

class ParagraphDialogTest : public ::testing::Test {
protected:
  void SetUp() override {
    editor.setPlainText(QStringLiteral("first\nsecond\nthird"));
    QTextCursor c(editor.document()->findBlockByNumber(1));
    QTextBlockFormat f;
    f.setAlignment(Qt::AlignRight);
    f.setTopMargin(8);
    f.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
    c.setBlockFormat(f);
  }
  void caretIn(int block, int toBlock = -1) {
    QTextCursor c(editor.document()->findBlockByNumber(block));
    if (toBlock >= 0) c.setPosition(editor.document()->findBlockByNumber(toBlock).position() + 1, QTextCursor::KeepAnchor);
    editor.setTextCursor(c);
  }
  QTextEdit editor;
};

TEST_F(ParagraphDialogTest, OpensWithTheCaretParagraphsValues) {
  caretIn(1);
  TParagraphPropDlg dialog(&editor);
  EXPECT_EQ(dialog.AlignmentBox->currentText(), "Right");
  EXPECT_EQ(dialog.LineSpacingBox->currentText(), "1.5 lines");
  EXPECT_GT(dialog.SpaceBefore->value(), 0);
  EXPECT_FALSE(dialog.NewPageCheck->isChecked());
}

TEST_F(ParagraphDialogTest, AcceptAppliesToEverySelectedParagraph) {
  caretIn(0, 1);
  TParagraphPropDlg dialog(&editor);
  test::ModalAnswerer answer([](QDialog& shown) {
    auto& d = dynamic_cast<TParagraphPropDlg&>(shown);
    d.AlignmentBox->setCurrentText(QStringLiteral("Centred"));
    d.LeftIndent->setValue(2.54);  // the C locale measures in centimetres
    d.FirstIndent->setValue(-1.27);
    d.SpaceAfter->setValue(12);
    d.LineSpacingBox->setCurrentText(QStringLiteral("Double"));
    d.NewPageCheck->setChecked(true);
    d.findChild<QPushButton*>("OKButton")->click();
  });
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  for (int block : {0, 1}) {
    const QTextBlockFormat f = blockFormat(editor, block);
    EXPECT_EQ(f.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter) << block;
    EXPECT_NEAR(f.leftMargin(), -2 * f.textIndent(), 0.01) << block;
    EXPECT_GT(f.leftMargin(), 0) << block;
    // One inch of indent, 12 points of space: whatever the resolution, 6 to 1.
    EXPECT_NEAR(f.leftMargin() / f.bottomMargin(), 6.0, 1e-6) << block;
    EXPECT_EQ(f.lineHeightType(), QTextBlockFormat::ProportionalHeight) << block;
    EXPECT_EQ(f.lineHeight(), 200) << block;
    EXPECT_TRUE(f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) << block;
  }
  EXPECT_FALSE(blockFormat(editor, 2).pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
  editor.undo();  // one step takes it all back
  EXPECT_EQ(blockFormat(editor, 0).alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
}

TEST_F(ParagraphDialogTest, CancelChangesNothingAndClearingNewPageClearsIt) {
  caretIn(2);
  QTextCursor c = editor.textCursor();
  QTextBlockFormat f;
  f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
  c.mergeBlockFormat(f);
  {
    TParagraphPropDlg dialog(&editor);
    test::ModalAnswerer answer([](QDialog& shown) {
      auto& d = dynamic_cast<TParagraphPropDlg&>(shown);
      EXPECT_TRUE(d.NewPageCheck->isChecked());
      d.AlignmentBox->setCurrentText(QStringLiteral("Justified"));
      d.findChild<QPushButton*>("CancelButton")->click();
    });
    EXPECT_EQ(dialog.exec(), 2);
  }
  EXPECT_EQ(blockFormat(editor, 2).alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
  TParagraphPropDlg dialog(&editor);
  dialog.NewPageCheck->setChecked(false);
  dialog.Apply();
  EXPECT_FALSE(blockFormat(editor, 2).pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
}

}  // namespace
}  // namespace telvane
