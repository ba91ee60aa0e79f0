#pragma once
// The phone book as CSV. Export writes NAME and PHONE under a header row.
// Import takes what address books export: it finds the name (Name, Display
// Name, First/Middle/Last Name, else Company) and the fax number (Fax,
// Business Fax, Home Fax, Fax Number, a "Phone n - Type" of fax, and Phone
// only when no column is about faxes) by the header row, and says for every
// row it cannot take why not. Nothing here touches the table: the plan is
// shown to the user first.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace telvane {

struct PhoneBookEntry {
  std::string name;    // UTF-8, no trailing blanks
  std::string number;
  bool operator==(const PhoneBookEntry&) const = default;
};

// Widths of NAME and PHONE in characters.
int PhoneBookNameWidth();
int PhoneBookNumberWidth();

struct ImportedEntry {
  PhoneBookEntry entry;
  size_t row = 0;     // row of the file, the header being row 1
  std::string note;   // what was changed on the way in ("" when nothing)
};

struct RefusedRow {
  size_t row = 0;
  std::string what;    // the row's name or first fields, for the user to find it
  std::string reason;
};

struct PhoneBookImportPlan {
  std::string error;   // the file cannot be read at all; nothing else is set
  std::string columns; // which columns were taken for what
  std::vector<ImportedEntry> entries;
  std::vector<RefusedRow> refused;
};

// The entries the file `bytes` would add to a book that holds `existing`.
PhoneBookImportPlan PlanPhoneBookImport(std::string_view bytes, const std::vector<PhoneBookEntry>& existing);

// The book as CSV: "NAME,PHONE" and one line per entry, UTF-8, CRLF.
std::string PhoneBookCsv(const std::vector<PhoneBookEntry>& entries);

// The first `count` characters of UTF-8 `text`.
std::string Utf8Prefix(std::string_view text, size_t count);
size_t Utf8Length(std::string_view text);

}  // namespace telvane
