// Hostile CSV files through decoding, parsing and the import mapping.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "compose/phonebook/phone_book_csv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const telvane::PhoneBookImportPlan plan = telvane::PlanPhoneBookImport(bytes, {{"Known", "1"}});
  for (const telvane::ImportedEntry& e : plan.entries) {
    if (telvane::Utf8Length(e.entry.name) > 35 || telvane::Utf8Length(e.entry.number) > 25) __builtin_trap();
  }
  return 0;
}
