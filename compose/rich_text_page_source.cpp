#include "compose/rich_text_page_source.h"

#include "richtext/wp_rich_text.h"

namespace telvane {

bool RichTextPageSource::HasContent() const { return control_.HasContent(); }
int RichTextPageSource::CharacterCount() const { return control_.CharacterCount(); }
QStringList RichTextPageSource::TextLines() const { return control_.TextLines(); }
void RichTextPageSource::SetZoom(int percent) { control_.SetZoom(percent); }

int RichTextPageSource::DrawPage(int position, const QRect& rect, QImage& page, int screenDpi) {
  return control_.DrawPage(position, rect, page, screenDpi);
}

}  // namespace telvane
