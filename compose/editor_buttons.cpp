#include "compose/editor_buttons.h"

#include <QFont>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>
#include <memory>

#include "platform/prompts.h"
#include "richtext/wp_rich_text.h"
#include "settings/window_helpers.h"

namespace telvane {
namespace {

constexpr int kSpacer = 2;

// A toolbar icon drawn from one character, so the buttons need no image files.
QIcon glyphIcon(const QString& glyph) {
  QPixmap pixmap(24, 24);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  QFont font = painter.font();
  font.setPixelSize(18);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(pixmap.rect(), Qt::AlignCenter, glyph);
  return QIcon(pixmap);
}

}  // namespace

QString WordWrapHint(bool wrapOn) {
  return wrapOn ? QStringLiteral("Toggle word wrap off") : QStringLiteral("Toggle word wrap on");
}

void AskAndInsertPageBreak(TWPRichText& editor) {
  if (!AskYesNoDefaultNo("Add a page break here?", "Page Break")) return;
  editor.InsertPageBreak();
  editor.Reformat();
}

void ToggleWordWrap(TWPRichText& editor, QToolButton& button) {
  editor.SetWordWrap(!editor.WordWrap());
  button.setToolTip(WordWrapHint(editor.WordWrap()));
  button.setChecked(editor.WordWrap());
  editor.viewport()->update();
}

EditorButtons AddEditorButtons(TWPToolBar& bar, TWPRichText& editor, QWidget& window, bool spacerAfterFont) {
  EditorButtons b;
  b.pageBreak = bar.AddExtraButton(glyphIcon(QStringLiteral("\u21A7")), QStringLiteral("Insert a page break"),
                                   [&editor] { AskAndInsertPageBreak(editor); });
  b.pageBreak->setObjectName(QStringLiteral("PageBreakButton"));
  bar.AddSpacer(kSpacer);
  b.paragraph = bar.AddExtraButton(glyphIcon(QStringLiteral("\u00B6")), QStringLiteral("Paragraph properties"),
                                   [&editor, &window] { ShowParagraphProperties(editor, window); });
  b.paragraph->setObjectName(QStringLiteral("ParagraphButton"));
  bar.AddSpacer(kSpacer);
  // The handler needs the button, which exists only once it is added.
  auto wrapButton = std::make_shared<QToolButton*>(nullptr);
  b.wordWrap = bar.AddExtraButton(glyphIcon(QStringLiteral("\u21B5")), WordWrapHint(false),
                                  [&editor, wrapButton] { ToggleWordWrap(editor, **wrapButton); }, true);
  *wrapButton = b.wordWrap;
  b.wordWrap->setObjectName(QStringLiteral("WordWrapButton"));
  b.wordWrap->setChecked(editor.WordWrap());
  bar.AddSpacer(kSpacer);
  b.defaultFont = bar.AddExtraButton(glyphIcon(QStringLiteral("F")), QStringLiteral("Set the default font for the editor"),
                                     [&window] { ChooseDefaultFont(&window); });
  b.defaultFont->setObjectName(QStringLiteral("DefaultFontButton"));
  if (spacerAfterFont) bar.AddSpacer(kSpacer);
  return b;
}

}  // namespace telvane
