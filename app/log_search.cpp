#include "app/log_search.h"

#include <array>
#include <string>

#include "platform/text.h"
#include "records/engine/xbase_table.h"

namespace telvane {
namespace {

struct FieldSpan {
  uint32_t offset;
  uint8_t length;
};

// ASCII upper case of every byte, by table: the search folds each byte of
// every searched field, millions of them for a large log.
struct UpperTable {
  std::array<unsigned char, 256> upper{};
  constexpr UpperTable() {
    for (int c = 0; c < 256; ++c) upper[static_cast<size_t>(c)] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  }
};
constexpr UpperTable Upper;

// Case-insensitive (ASCII) search of the stored bytes, so no row is
// converted or copied: a keystroke over 100,000 rows reads each row once.
bool containsNoCase(const char* field, size_t length, const std::string& upperNeedle) {
  const size_t n = upperNeedle.size();
  if (n > length) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(field);
  const auto* needle = reinterpret_cast<const unsigned char*>(upperNeedle.data());
  for (size_t at = 0; at + n <= length; ++at) {
    if (Upper.upper[bytes[at]] != needle[0]) continue;
    size_t i = 1;
    while (i < n && Upper.upper[bytes[at + i]] == needle[i]) ++i;
    if (i == n) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string_view> SearchedFields(LogKind kind) {
  if (kind == LogKind::Outgoing) return {"RECIPIENT", "PHONE", "SUBJECT"};
  return {"FROM", "NOTES"};
}

std::vector<uint32_t> SearchLog(xbase::Table& table, LogKind kind, const std::vector<uint32_t>& rows,
                                std::string_view text) {
  const std::string needle = ToUpperAscii(xbase::FromUtf8(TrimSpaces(text), table.codePage()));
  if (needle.empty()) return rows;
  std::vector<FieldSpan> fields;
  for (std::string_view name : SearchedFields(kind)) {
    const int index = table.FieldIndex(name);
    if (index < 0) continue;
    const xbase::FieldDef& f = table.fields()[static_cast<size_t>(index)];
    fields.push_back({f.offset, f.length});
  }
  std::vector<uint32_t> found;
  for (uint32_t recno : rows) {
    const char* record = table.RecordAt(recno);
    if (!record) continue;
    for (const FieldSpan& f : fields) {
      if (containsNoCase(record + f.offset, f.length, needle)) {
        found.push_back(recno);
        break;
      }
    }
  }
  return found;
}

}  // namespace telvane
