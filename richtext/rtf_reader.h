#pragma once
// Our RTF reader: RTF bytes into a QTextDocument (see
// document_conventions.h for how the document holds what RTF carries).
// Hostile input is bounded: group nesting, font and colour tables, table
// columns and picture data have caps; whatever can be read is kept and the
// problems are reported in one message.

#include <QString>
#include <optional>
#include <string_view>

#include "richtext/page_layout.h"

class QTextDocument;

namespace telvane::rtf {

struct ReadResult {
  QString problems;                        // empty when everything was understood
  std::optional<PageLayoutTwips> page;     // \paperw, \margl, ... when the file sets them
};

inline constexpr int kMaxGroupDepth = 1024;
inline constexpr int kMaxFonts = 4096;
inline constexpr int kMaxColours = 4096;
inline constexpr int kMaxTableColumns = 63;
inline constexpr int kMaxTables = 1000;  // each table costs a pass over the document
inline constexpr size_t kMaxPictureBytes = 64u << 20;

// Replaces the content of `doc`. Input that does not start with "{\rtf" is
// loaded as plain text (UTF-8, else windows-1252) and reported.
ReadResult ReadRtf(std::string_view rtf, QTextDocument& doc);

}  // namespace telvane::rtf
