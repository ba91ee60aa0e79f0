#pragma once
// The pages of a document the user puts into a fax: every page of a PDF,
// or every image of an image file (PNG, JPEG, multi-page TIFF, ... as Qt
// reads them), as pictures to place one per fax page.

#include <QImage>
#include <QString>
#include <vector>

namespace telvane {

struct DocumentPages {
  std::vector<QImage> pages;
  // What could not be read (empty when everything was); pages read before
  // a damaged one are kept.
  QString error;
};

// PDF pages are drawn at `dpi` in grey, enough for a fax page.
DocumentPages LoadDocumentPages(const QString& path, int dpi = 200);

// The most pages taken from one document.
inline constexpr int kMaxDocumentPages = 200;

}  // namespace telvane
