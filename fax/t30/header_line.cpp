#include "fax/t30/header_line.h"

namespace telvane::t30 {
namespace {

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char ToUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string TagValue(char letter, const HeaderValues& v) {
  switch (ToUpper(letter)) {
    case 'D': return v.date;
    case 'T': return v.time;
    case 'I': return v.stationId;
    case 'F': return v.sender;
    case 'R': return v.recipient;
    case 'S': return v.title;
    case 'N': return std::to_string(v.totalPages);
    case 'P': return std::to_string(v.currentPage);
    default: return {};
  }
}

}  // namespace

std::string ExpandHeaderTags(std::string_view line, const HeaderValues& values) {
  std::string out;
  out.reserve(line.size());
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c != '$') {
      out.push_back(c);
      ++i;
      continue;
    }
    if (i + 1 == line.size()) break;  // a lone "$" at the end
    const char letter = line[i + 1];
    if (!IsLetter(letter)) {
      out.push_back(c);  // "$5", "$ ": not a tag
      ++i;
      continue;
    }
    // The tag takes the rest of its word with it ("$P/$N" is the page alone).
    out += TagValue(letter, values);
    i += 2;
    while (i < line.size() && !IsBlank(line[i])) ++i;
  }
  return out;
}

}  // namespace telvane::t30
