// Hostile TVN.INI text: parsing, every typed read and a write-back must
// neither crash nor lose the other lines.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/app_settings.h"
#include "settings/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  telvane::IniDocument doc = telvane::IniDocument::Parse(text);
  for (const auto& section : doc.SectionNames()) (void)doc.Get(section, "ComPort");
  (void)telvane::ParseIniInteger(text, 0);
  doc.Set("Modem", "ComPort", "1");
  // A written value is the input itself: whatever it holds, it stays on its line.
  const size_t sections = doc.SectionNames().size() + (doc.HasSection("User") ? 0 : 1);
  doc.Set("User", "Name", std::string_view(text).substr(0, 200));
  const telvane::IniDocument again = telvane::IniDocument::Parse(doc.Serialize());
  if (again.Get("Modem", "ComPort") != "1") __builtin_trap();
  if (again.SectionNames().size() != sections) __builtin_trap();
  return 0;
}
