#include "compose/phonebook/phone_book_rows.h"

#include "records/engine/code_page.h"

namespace telvane {
namespace {

// Character fields come back padded with blanks to their width.
std::string trimmedRight(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

std::vector<PhoneBookRow> ReadPhoneBookRows(RecordTable& table) {
  std::vector<PhoneBookRow> rows;
  xbase::Table* t = table.table();
  if (!t) return rows;
  const int name = t->FieldIndex("NAME");
  const int phone = t->FieldIndex("PHONE");
  for (uint32_t record : t->VisibleRecords())
    rows.push_back({record, {trimmedRight(t->FieldText(record, name)), trimmedRight(t->FieldText(record, phone))}});
  return rows;
}

std::vector<PhoneBookEntry> ReadPhoneBook(RecordTable& table) {
  std::vector<PhoneBookEntry> entries;
  for (PhoneBookRow& row : ReadPhoneBookRows(table)) entries.push_back(std::move(row.entry));
  return entries;
}

bool AppendPhoneBookEntry(RecordTable& table, const PhoneBookEntry& entry) {
  if (!table.Append()) return false;
  if (!table.SetField("NAME", entry.name) || !table.SetField("PHONE", entry.number)) {
    table.Cancel();
    return false;
  }
  return table.Post();
}

bool StorePhoneBookEntry(RecordTable& table, const PhoneBookEntry& entry) {
  if (!table.Edit()) return false;
  if (!table.SetField("NAME", entry.name) || !table.SetField("PHONE", entry.number)) {
    table.Cancel();
    return false;
  }
  return table.Post();
}

PhoneBookEntry CurrentPhoneBookEntry(const RecordTable& table) {
  return {trimmedRight(table.Field("NAME")), trimmedRight(table.Field("PHONE"))};
}

void NoteUnstorableCharacters(PhoneBookImportPlan& plan, const RecordTable& table) {
  const xbase::Table* t = table.table();
  if (!t) return;
  const xbase::CodePage page = t->codePage();
  const auto storable = [page](const std::string& text) {
    return xbase::ToUtf8(xbase::FromUtf8(text, page), page) == text;
  };
  for (ImportedEntry& imported : plan.entries) {
    if (storable(imported.entry.name) && storable(imported.entry.number)) continue;
    imported.note += (imported.note.empty() ? "" : "; ") + std::string("characters the phone book cannot hold become ?");
  }
}

}  // namespace telvane
