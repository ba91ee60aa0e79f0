#include "compose/phonebook/phone_book_csv.h"

#include <algorithm>
#include <set>
#include <utility>

#include "compose/phonebook/csv_text.h"
#include "platform/text.h"
#include "records/log_schemas.h"

namespace telvane {
namespace {

int fieldWidth(std::string_view name) {
  for (const LogFieldSchema& f : PhoneBookSchema().fields)
    if (f.name == name) return f.width;
  return 0;
}

// A header as compared: lower case letters and digits only, so "E-mail",
// "Business Fax" and "BUSINESSFAX" meet their spellings in other programs.
std::string headerKey(std::string_view header) {
  std::string key;
  for (char c : header)
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) key += c;
    else if (c >= 'A' && c <= 'Z') key += ToLowerAscii(c);
  return key;
}

// Header spellings of the export formats of common address books, most
// telling first.
constexpr std::string_view kNameHeaders[] = {"name", "displayname", "fullname", "contactname", "recipient"};
constexpr std::string_view kFirstNameHeaders[] = {"firstname", "givenname"};
constexpr std::string_view kMiddleNameHeaders[] = {"middlename", "additionalname"};
constexpr std::string_view kLastNameHeaders[] = {"lastname", "familyname", "surname"};
constexpr std::string_view kCompanyHeaders[] = {"company", "companyname", "organization", "organisation",
                                                 "organizationname", "organization1name"};
constexpr std::string_view kFaxHeaders[] = {"fax", "faxnumber", "businessfax", "workfax", "homefax",
                                             "otherfax", "primaryfax", "faxphone", "telefax"};
// Taken only from files that have no fax column at all (our own export).
constexpr std::string_view kPhoneHeaders[] = {"phone", "phonenumber", "number", "telephone"};

// Address books write fewer than a hundred columns; a header row of
// thousands is no address book, and the rest of it is not looked at.
constexpr size_t kMaxColumns = 1000;
// The most rows one import reads, far beyond any phone book.
constexpr size_t kMaxRows = 100000;

using HeaderKeys = std::vector<std::string>;

HeaderKeys headerKeys(const CsvRow& header) {
  HeaderKeys keys;
  for (size_t i = 0; i < header.size() && i < kMaxColumns; ++i) keys.push_back(headerKey(header[i]));
  return keys;
}

template <size_t N>
std::vector<size_t> columnsNamed(const HeaderKeys& keys, const std::string_view (&names)[N]) {
  std::vector<size_t> found;
  for (std::string_view name : names)
    for (size_t i = 0; i < keys.size(); ++i)
      if (keys[i] == name) found.push_back(i);
  return found;
}

// Google's export lists numbers as pairs "Phone 1 - Type", "Phone 1 - Value".
std::vector<std::pair<size_t, size_t>> typedPhoneColumns(const HeaderKeys& keys) {
  std::vector<std::pair<size_t, size_t>> pairs;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (!keys[i].starts_with("phone") || !keys[i].ends_with("type")) continue;
    const std::string valueKey = keys[i].substr(0, keys[i].size() - 4) + "value";
    for (size_t j = 0; j < keys.size(); ++j)
      if (keys[j] == valueKey) pairs.emplace_back(i, j);
  }
  return pairs;
}

struct Layout {
  std::vector<size_t> name, first, middle, last, company, fax;
  std::vector<std::pair<size_t, size_t>> typedPhones;  // (type, value)
  bool headerless = false;

  bool hasName() const { return !name.empty() || !first.empty() || !last.empty() || !company.empty(); }
  bool hasNumber() const { return !fax.empty() || !typedPhones.empty(); }
};

Layout findLayout(const CsvRow& header) {
  const HeaderKeys keys = headerKeys(header);
  Layout l;
  l.name = columnsNamed(keys, kNameHeaders);
  l.first = columnsNamed(keys, kFirstNameHeaders);
  l.middle = columnsNamed(keys, kMiddleNameHeaders);
  l.last = columnsNamed(keys, kLastNameHeaders);
  l.company = columnsNamed(keys, kCompanyHeaders);
  l.fax = columnsNamed(keys, kFaxHeaders);
  l.typedPhones = typedPhoneColumns(keys);
  if (l.fax.empty() && l.typedPhones.empty()) l.fax = columnsNamed(keys, kPhoneHeaders);
  return l;
}

bool hasDigit(std::string_view s) { return std::any_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }); }

// A file without a header row: a name, then a number.
bool looksHeaderless(const CsvRow& first) { return first.size() >= 2 && !hasDigit(first[0]) && hasDigit(first[1]); }

std::string cell(const CsvRow& row, size_t column) {
  return column < row.size() ? std::string(TrimWhitespace(row[column])) : std::string();
}

std::string firstFilled(const CsvRow& row, const std::vector<size_t>& columns) {
  for (size_t c : columns)
    if (std::string v = cell(row, c); !v.empty()) return v;
  return {};
}

std::string joinNames(std::initializer_list<std::string> parts) {
  std::string out;
  for (const std::string& p : parts) {
    if (p.empty()) continue;
    if (!out.empty()) out += ' ';
    out += p;
  }
  return out;
}

std::string rowName(const CsvRow& row, const Layout& l) {
  if (std::string n = firstFilled(row, l.name); !n.empty()) return n;
  if (std::string n = joinNames({firstFilled(row, l.first), firstFilled(row, l.middle), firstFilled(row, l.last)});
      !n.empty())
    return n;
  return firstFilled(row, l.company);
}

// Address books put several numbers in one cell separated by ":::".
std::string firstNumber(std::string_view value) {
  return std::string(TrimWhitespace(value.substr(0, value.find(":::"))));
}

std::string rowNumber(const CsvRow& row, const Layout& l) {
  for (size_t c : l.fax)
    if (std::string v = firstNumber(cell(row, c)); !v.empty()) return v;
  for (const auto& [type, value] : l.typedPhones)
    if (ToLowerAscii(cell(row, type)).find("fax") != std::string::npos)
      if (std::string v = firstNumber(cell(row, value)); !v.empty()) return v;
  return {};
}

std::string describeRow(const CsvRow& row, const std::string& name) {
  if (!name.empty()) return name;
  std::string out;
  for (const std::string& f : row) {
    std::string v(TrimWhitespace(f));
    if (v.empty()) continue;
    if (!out.empty()) out += ", ";
    out += v;
    if (Utf8Length(out) > 40) return Utf8Prefix(out, 40) + "...";
  }
  return out.empty() ? std::string("(empty)") : out;
}

std::string quoted(const CsvRow& header, size_t column) { return "\"" + header[column] + "\""; }

std::string describeColumns(const CsvRow& header, const Layout& l) {
  if (l.headerless) return "No header row: the first column is taken as the name, the second as the fax number.";
  std::string name;
  if (!l.name.empty()) name = quoted(header, l.name.front());
  else if (!l.first.empty() || !l.last.empty()) {
    for (size_t c : l.first) name += (name.empty() ? "" : " + ") + quoted(header, c);
    for (size_t c : l.middle) name += (name.empty() ? "" : " + ") + quoted(header, c);
    for (size_t c : l.last) name += (name.empty() ? "" : " + ") + quoted(header, c);
  }
  if (!l.company.empty()) name += (name.empty() ? "" : ", else ") + quoted(header, l.company.front());
  std::string number;
  for (size_t c : l.fax) number += (number.empty() ? "" : ", ") + quoted(header, c);
  for (const auto& [type, value] : l.typedPhones)
    number += (number.empty() ? "" : ", ") + quoted(header, value) + " when " + quoted(header, type) + " is a fax";
  return "Name from " + name + "; fax number from " + number + ".";
}

std::string entryKey(const PhoneBookEntry& e) { return ToLowerAscii(e.name) + '\n' + e.number; }

}  // namespace

int PhoneBookNameWidth() { return fieldWidth("NAME"); }
int PhoneBookNumberWidth() { return fieldWidth("PHONE"); }

size_t Utf8Length(std::string_view text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string Utf8Prefix(std::string_view text, size_t count) {
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((text[i] & 0xC0) != 0x80 && chars++ == count) return std::string(text.substr(0, i));
  }
  return std::string(text);
}

PhoneBookImportPlan PlanPhoneBookImport(std::string_view bytes, const std::vector<PhoneBookEntry>& existing) {
  PhoneBookImportPlan plan;
  const std::string text = DecodeCsvBytes(bytes);
  std::vector<CsvRow> rows = ParseCsv(text, GuessCsvSeparator(text), kMaxRows + 1);
  const bool cut = rows.size() > kMaxRows;
  if (cut) rows.pop_back();
  if (rows.empty()) {
    plan.error = "The file holds no rows.";
    return plan;
  }
  Layout layout = findLayout(rows.front());
  if (!layout.hasName() && !layout.hasNumber() && looksHeaderless(rows.front())) {
    layout = Layout{{0}, {}, {}, {}, {}, {1}, {}, true};
  }
  if (!layout.hasNumber()) {
    plan.error = layout.hasName()
                     ? "The file has no column of fax numbers (Fax, Business Fax, Home Fax, Fax Number or Phone)."
                     : "The first row names no columns this program knows. It should name the columns, "
                       "for example Name and Fax.";
    return plan;
  }
  plan.columns = describeColumns(rows.front(), layout);

  std::set<std::string> known;
  for (const PhoneBookEntry& e : existing) known.insert(entryKey(e));
  const size_t nameWidth = static_cast<size_t>(PhoneBookNameWidth());
  const size_t numberWidth = static_cast<size_t>(PhoneBookNumberWidth());
  for (size_t i = layout.headerless ? 0 : 1; i < rows.size(); ++i) {
    const CsvRow& row = rows[i];
    const size_t rowNo = i + 1;
    std::string name = rowName(row, layout);
    std::string number = rowNumber(row, layout);
    const auto refuse = [&](std::string reason) { plan.refused.push_back({rowNo, describeRow(row, name), std::move(reason)}); };
    if (number.empty()) {
      refuse("no fax number");
      continue;
    }
    if (!hasDigit(number)) {
      refuse("\"" + number + "\" is not a fax number");
      continue;
    }
    if (name.empty()) {
      refuse("no name");
      continue;
    }
    std::string note;
    if (Utf8Length(name) > nameWidth) {
      name = Utf8Prefix(name, nameWidth);
      note = "name cut to " + std::to_string(nameWidth) + " characters";
    }
    if (Utf8Length(number) > numberWidth) {
      number = Utf8Prefix(number, numberWidth);
      note += (note.empty() ? "" : "; ") + std::string("fax number cut to ") + std::to_string(numberWidth) + " characters";
    }
    PhoneBookEntry entry{std::move(name), std::move(number)};
    if (!known.insert(entryKey(entry)).second) {
      plan.refused.push_back({rowNo, entry.name, "already in the phone book"});
      continue;
    }
    plan.entries.push_back({std::move(entry), rowNo, std::move(note)});
  }
  if (cut)
    plan.refused.push_back({kMaxRows + 1, "the rest of the file",
                            "an import reads at most " + std::to_string(kMaxRows) + " rows"});
  return plan;
}

std::string PhoneBookCsv(const std::vector<PhoneBookEntry>& entries) {
  std::string out = "NAME,PHONE\r\n";
  for (const PhoneBookEntry& e : entries) out += CsvField(e.name) + ',' + CsvField(e.number) + "\r\n";
  return out;
}

}  // namespace telvane
