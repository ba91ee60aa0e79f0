// Whatever a device sends back to a probe: the answer classifier, the class
// list reader and the init string helper must neither crash nor read past
// the text.

#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/init_string_helper.h"
#include "settings/modem_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  (void)telvane::ClassifyModemAnswer("AT", text, size % 2 == 0);
  (void)telvane::HasFinalResult(text);
  (void)telvane::FaxClassesFromAnswer(telvane::InformationLines("AT+FCLASS=?", text));
  const telvane::InitStringChoice choice = telvane::ChoiceFromCommand(text);
  if (choice.modemType < 0 || choice.modemType >= telvane::ModemTypeCount) __builtin_trap();
  (void)telvane::InitStringForChoice(choice, true);
  return 0;
}
