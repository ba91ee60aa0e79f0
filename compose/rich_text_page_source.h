#pragma once
// The rich text control as a source of fax pages.

#include "compose/fax_page_source.h"

namespace telvane {

class TWPRichText;

class RichTextPageSource : public FaxPageSource {
public:
  explicit RichTextPageSource(TWPRichText& control) : control_(control) {}
  bool HasContent() const override;
  int CharacterCount() const override;
  QStringList TextLines() const override;
  void SetZoom(int percent) override;
  int DrawPage(int position, const QRect& rect, QImage& page, int screenDpi) override;

private:
  TWPRichText& control_;
};

}  // namespace telvane
