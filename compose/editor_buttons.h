#pragma once
// The buttons both editors add to a rich text toolbar: insert page break,
// paragraph properties, word-wrap toggle and default font, and what they do.

#include <QString>

class QToolButton;
class QWidget;

namespace telvane {

class TWPRichText;
class TWPToolBar;

struct EditorButtons {
  QToolButton* pageBreak = nullptr;
  QToolButton* paragraph = nullptr;
  QToolButton* wordWrap = nullptr;
  QToolButton* defaultFont = nullptr;
};

// Adds the four buttons in that order, each followed by a 2-pixel spacer
// (the default font only when `spacerAfterFont`). `window` owns the dialogs.
EditorButtons AddEditorButtons(TWPToolBar& bar, TWPRichText& editor, QWidget& window, bool spacerAfterFont);

// "Add a page break here?"; on Yes the paragraph with the caret starts a new page.
void AskAndInsertPageBreak(TWPRichText& editor);
// Inverts word wrap; the button shows pressed while wrap is on and its hint
// says what the next click does.
void ToggleWordWrap(TWPRichText& editor, QToolButton& button);
QString WordWrapHint(bool wrapOn);

// The spelling check and paragraph properties dialogs on one control, modal
// and centred.
void ShowSpellCheck(TWPRichText& editor, QWidget& window);
void ShowParagraphProperties(TWPRichText& editor, QWidget& window);

}  // namespace telvane
