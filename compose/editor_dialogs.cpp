#include "compose/editor_buttons.h"

#include "richtext/wp_rich_text.h"
#include "settings/window_helpers.h"
#include "spell/paragraph_prop_dialog.h"
#include "spell/spell_check_dialog.h"

namespace telvane {

void ShowSpellCheck(TWPRichText& editor, QWidget& window) {
  TSpellCheckDialog dialog(&editor, &window);
  CenterWindow(dialog);
  dialog.exec();
}

void ShowParagraphProperties(TWPRichText& editor, QWidget& window) {
  TParagraphPropDlg dialog(&editor, &window);
  CenterWindow(dialog);
  dialog.exec();
}

}  // namespace telvane
