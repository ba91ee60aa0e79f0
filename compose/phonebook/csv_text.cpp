#include "compose/phonebook/csv_text.h"

#include <array>
#include <cstdint>

namespace telvane {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<uint8_t>(s[i]);
    size_t extra = 0;
    char32_t c = 0;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      extra = 1, c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2, c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3, c = b & 0x07;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const auto t = static_cast<uint8_t>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      c = (c << 6) | (t & 0x3F);
    }
    constexpr std::array<char32_t, 4> smallest{0, 0x80, 0x800, 0x10000};
    if (c < smallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

std::string fromLatin1(std::string_view s) {
  std::string out;
  out.reserve(s.size() + s.size() / 8);
  for (char ch : s) appendUtf8(out, static_cast<uint8_t>(ch));
  return out;
}

// Unpaired surrogates and a trailing odd byte become U+FFFD.
std::string fromUtf16(std::string_view s, bool bigEndian) {
  std::string out;
  out.reserve(s.size() / 2);
  const auto unit = [&](size_t i) -> char32_t {
    const auto a = static_cast<uint8_t>(s[i]), b = static_cast<uint8_t>(s[i + 1]);
    return bigEndian ? (a << 8 | b) : (b << 8 | a);
  };
  size_t i = 0;
  for (; i + 1 < s.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < s.size()) {
      const char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    appendUtf8(out, c >= 0xD800 && c <= 0xDFFF ? U'\uFFFD' : c);
  }
  if (i < s.size()) appendUtf8(out, U'\uFFFD');
  return out;
}

}  // namespace

std::string DecodeCsvBytes(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
  else if (bytes.starts_with(kUtf16LeBom)) return fromUtf16(bytes.substr(2), false);
  else if (bytes.starts_with(kUtf16BeBom)) return fromUtf16(bytes.substr(2), true);
  return isValidUtf8(bytes) ? std::string(bytes) : fromLatin1(bytes);
}

char GuessCsvSeparator(std::string_view text) {
  size_t counts[3] = {0, 0, 0};
  constexpr char candidates[3] = {',', ';', '\t'};
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n' || c == '\r') break;
    for (int k = 0; k < 3; ++k)
      if (c == candidates[k]) ++counts[k];
  }
  int best = 0;
  for (int k = 1; k < 3; ++k)
    if (counts[k] > counts[best]) best = k;
  return candidates[best];
}

std::vector<CsvRow> ParseCsv(std::string_view text, char separator, size_t maxRows) {
  std::vector<CsvRow> rows;
  CsvRow row;
  std::string field;
  bool quoted = false;
  bool fieldStarted = false;  // the row has something, even an empty field before a separator
  const auto endField = [&] {
    row.push_back(std::move(field));
    field.clear();
  };
  const auto endRow = [&] {
    if (fieldStarted || !field.empty()) endField();
    const bool blank = row.empty() || (row.size() == 1 && row[0].empty());
    if (!blank) rows.push_back(std::move(row));
    row.clear();
    fieldStarted = false;
  };
  for (size_t i = 0; i < text.size() && rows.size() < maxRows; ++i) {
    const char c = text[i];
    if (quoted) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
      fieldStarted = true;
    } else if (c == separator) {
      endField();
      fieldStarted = true;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      endRow();
    } else {
      field += c;
      fieldStarted = true;
    }
  }
  if (rows.size() < maxRows) endRow();
  return rows;
}

std::string CsvField(std::string_view value, char separator) {
  const bool needsQuotes = value.find_first_of(std::string{'"', '\r', '\n', separator}) != std::string_view::npos ||
                           value.starts_with(' ') || value.ends_with(' ');
  if (!needsQuotes) return std::string(value);
  std::string out = "\"";
  for (char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

}  // namespace telvane
