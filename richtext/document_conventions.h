#pragma once
// How this control's documents are held in a QTextDocument, shared by the
// RTF reader and writer, the control and the page renderer.
//
// Lengths (indents, spacing, tab stops, table and picture sizes) are in the
// document's own unit: a pixel at the application's default dpi, which the
// layout scales to whatever device it lays out for. Font sizes are points.
//
// Insert points are inline objects (one U+FFFC character) of type
// kInsertPointObject whose character format carries the tag, the marker and
// the caption. Being a single character they are atomic for the caret, for
// deletion and for undo; the handler draws the caption in red. In RTF they
// are fields, {\field{\*\fldinst TVNINSERT tag marker}{\fldrslt caption}}:
// other programs show the caption, ours gets the insert point back.
//
// Pictures are image resources named "tvnpic:<n>" holding a QImage.

#include <QTextFormat>

namespace telvane {

inline constexpr int kInsertPointObject = QTextFormat::UserObject + 1;
inline constexpr int kInsertPointTag = QTextFormat::UserProperty + 1;
inline constexpr int kInsertPointMarker = QTextFormat::UserProperty + 2;
inline constexpr int kInsertPointCaption = QTextFormat::UserProperty + 3;
inline constexpr int kMaxInsertPointCaption = 254;
inline constexpr const char* kInsertPointFieldName = "TVNINSERT";
inline constexpr const char* kPictureScheme = "tvnpic";

// Dots per inch of the document unit.
int DocumentDpi();
inline double TwipsToUnits(double twips) { return twips * DocumentDpi() / 1440.0; }
inline int UnitsToTwips(double units) { return static_cast<int>(units * 1440.0 / DocumentDpi() + (units < 0 ? -0.5 : 0.5)); }

}  // namespace telvane
