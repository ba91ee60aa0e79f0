#pragma once
// The phone book table's rows as entries: reading the live ones in the
// table's order, and adding or changing entries (NAME and PHONE) with a
// post each. Failures return false and leave the table's lastError().

#include <cstdint>
#include <vector>

#include "compose/phonebook/phone_book_csv.h"
#include "records/record_table.h"

namespace telvane {

// The live entries in the table's order, with the record number of each.
struct PhoneBookRow {
  uint32_t record = 0;
  PhoneBookEntry entry;
};
std::vector<PhoneBookRow> ReadPhoneBookRows(RecordTable& table);
std::vector<PhoneBookEntry> ReadPhoneBook(RecordTable& table);

// Appends one entry and posts it; the new row becomes the current one.
bool AppendPhoneBookEntry(RecordTable& table, const PhoneBookEntry& entry);
// Stores the entry into the current row and posts it.
bool StorePhoneBookEntry(RecordTable& table, const PhoneBookEntry& entry);
// The current row's entry.
PhoneBookEntry CurrentPhoneBookEntry(const RecordTable& table);

// Notes the planned entries holding characters the table's code page
// lacks: the table would store them as "?".
void NoteUnstorableCharacters(PhoneBookImportPlan& plan, const RecordTable& table);

}  // namespace telvane
