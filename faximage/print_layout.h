#pragma once
// The geometry of a printed fax: which pages start a sheet, where each page
// sits on it (one per sheet, or four in portrait and two in landscape), the
// size a page bitmap is drawn at, and the tags of header and footer lines.
// All in printer device pixels; the printer component draws what this
// computes.

#include <string>
#include <string_view>

namespace telvane {

enum class TFaxPrintScale { psNone, psFitToPage };

struct PrintRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const PrintRect&) const = default;
};

struct PrintSize {
  int width = 0, height = 0;
  bool operator==(const PrintSize&) const = default;
};

// Pages a sheet holds.
int PagesPerSheet(bool multiPage, bool landscape);

// Whether page `page` of a print that starts at `first` needs a new sheet
// (the first page's sheet is the job's own).
bool StartsNewSheet(int page, int first, bool multiPage, bool landscape);

// The area of page `page` on its sheet: the whole printable rectangle, or
// with multiPage its slot (top left, right, lower left, lower right in
// portrait; left, right in landscape) shrunk by 2 pixels on every side.
PrintRect PageSlot(const PrintRect& printable, int page, int first, bool multiPage, bool landscape);

// The size a bitmap of bitmapWidth x bitmapHeight pixels is drawn at in
// `area`. psFitToPage: 93 % of the area's width, and the area's height for
// a page of the standard 1728-pixel width; a wide page gets the height in
// the same proportion as its width (area height x 1728 / bitmap width), so
// it keeps its aspect against a standard page and stays inside the area.
// psNone: true size, the bitmap being 200 dots per inch, the height cut to
// the area's height.
PrintSize FaxPrintSize(TFaxPrintScale scale, const PrintRect& area, int bitmapWidth, int bitmapHeight, int dpiX,
                       int dpiY);

struct PrintTagValues {
  std::string date, time, fileName;
  int pageCount = 0, page = 0;
};

// Every "$" starts a tag running to the next space or the end of the text;
// the tag becomes, by its first letter: D date, F file name, N page count,
// P page number, T time (either case); anything else becomes nothing.
// Replacement is a single pass: a "$" inside a replacement (a file name
// "A$P.APF") is printed as it is.
std::string ReplacePrintTags(std::string_view caption, const PrintTagValues& values);

// The header line printed on a received fax ("From: ... Received: ...
// Fax File: ...", the path in lower case) and on a sent one ("To: ...
// Subject: ... Sent: ..."); the parts are 13 blanks apart.
std::string ReceivedFaxHeader(std::string_view from, std::string_view dateText, std::string_view faxFilePath);
std::string SentFaxHeader(std::string_view recipient, std::string_view subject, std::string_view dateText);

}  // namespace telvane
