#include "faximage/print_layout.h"

#include <algorithm>
#include <cstdint>

#include "platform/text.h"

namespace telvane {

namespace {
constexpr int kStandardWidth = 1728;  // pixels of a fax line that fills the sheet's width
constexpr int kFaxDotsPerInch = 200;  // a fax page's nominal resolution at true size
constexpr int kSlotInset = 2;
}  // namespace

int PagesPerSheet(bool multiPage, bool landscape) { return !multiPage ? 1 : landscape ? 2 : 4; }

bool StartsNewSheet(int page, int first, bool multiPage, bool landscape) {
  return page > first && (page - first) % PagesPerSheet(multiPage, landscape) == 0;
}

PrintRect PageSlot(const PrintRect& printable, int page, int first, bool multiPage, bool landscape) {
  if (!multiPage) return printable;
  PrintRect r = printable;
  const int halfWidth = printable.width() / 2;
  const int halfHeight = landscape ? printable.height() : printable.height() / 2;
  const int slot = (page - first) % 4;
  const bool right = slot == 1 || slot == 3;
  const bool lower = !landscape && slot >= 2;
  r.left = printable.left + (right ? halfWidth : 0);
  r.top = printable.top + (lower ? halfHeight : 0);
  r.right = r.left + halfWidth;
  r.bottom = r.top + halfHeight;
  r.left += kSlotInset;
  r.top += kSlotInset;
  r.right -= kSlotInset;
  r.bottom -= kSlotInset;
  return r;
}

PrintSize FaxPrintSize(TFaxPrintScale scale, const PrintRect& area, int bitmapWidth, int bitmapHeight, int dpiX,
                       int dpiY) {
  PrintSize s;
  if (bitmapWidth <= 0 || bitmapHeight <= 0) return s;
  if (scale == TFaxPrintScale::psFitToPage) {
    s.width = static_cast<int>(int64_t{area.width()} * 93 / 100);
    s.height = bitmapWidth <= kStandardWidth
                   ? area.height()
                   : static_cast<int>(int64_t{area.height()} * kStandardWidth / bitmapWidth);
    return s;
  }
  s.width = static_cast<int>(int64_t{bitmapWidth} * dpiX / kFaxDotsPerInch);
  s.height = std::min(static_cast<int>(int64_t{bitmapHeight} * dpiY / kFaxDotsPerInch), area.height());
  return s;
}

std::string ReplacePrintTags(std::string_view caption, const PrintTagValues& v) {
  std::string out;
  size_t i = 0;
  while (i < caption.size()) {
    if (caption[i] != '$') {
      out += caption[i++];
      continue;
    }
    const size_t end = std::min(caption.find(' ', i), caption.size());
    const char tag = i + 1 < end ? caption[i + 1] : '\0';
    switch (tag) {
      case 'D': case 'd': out += v.date; break;
      case 'F': case 'f': out += v.fileName; break;
      case 'N': case 'n': out += std::to_string(v.pageCount); break;
      case 'P': case 'p': out += std::to_string(v.page); break;
      case 'T': case 't': out += v.time; break;
      default: break;
    }
    i = end;
  }
  return out;
}

namespace {
constexpr std::string_view kHeaderGap = "             ";  // 13 blanks
}  // namespace

std::string ReceivedFaxHeader(std::string_view from, std::string_view dateText, std::string_view faxFilePath) {
  return "From: " + std::string(from) + std::string(kHeaderGap) + "Received: " + std::string(dateText) +
         std::string(kHeaderGap) + "Fax File: " + ToLowerAscii(faxFilePath);
}

std::string SentFaxHeader(std::string_view recipient, std::string_view subject, std::string_view dateText) {
  return "To: " + std::string(recipient) + std::string(kHeaderGap) + "Subject: " + std::string(subject) +
         std::string(kHeaderGap) + "Sent: " + std::string(dateText);
}

}  // namespace telvane
