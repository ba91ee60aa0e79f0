#pragma once
// What fax file creation needs of a rich text control: whether it holds
// anything, a zoom, and drawing its content page by page into a bitmap.
// The rich text control is adapted to it (rich_text_page_source.h); tests
// use stand-ins with a known number of pages.

#include <QImage>
#include <QRect>
#include <QStringList>

namespace telvane {

class FaxPageSource {
public:
  virtual ~FaxPageSource() = default;
  virtual bool HasContent() const = 0;
  virtual int CharacterCount() const = 0;
  virtual QStringList TextLines() const = 0;
  virtual void SetZoom(int percent) = 0;
  // Draws the content from `position` into `rect` of `page` (Format_Mono,
  // index 1 black) at the zoom relative to `screenDpi`; returns where the
  // next page starts, 0 or less when everything has been drawn.
  virtual int DrawPage(int position, const QRect& rect, QImage& page, int screenDpi) = 0;
};

// A control counts as empty when it says it has no content, or when it holds
// fewer than 256 characters and its first 201 lines are all blank: a few
// stray spaces or empty paragraphs are no fax.
bool IsFaxSourceEmpty(const FaxPageSource& source);

}  // namespace telvane
