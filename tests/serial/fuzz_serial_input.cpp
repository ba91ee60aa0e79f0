// Hostile modem input through what parses it in the serial layer: data
// trigger matching (the first bytes choose the trigger strings and their
// case rule) and the trace and dispatch-log dumps of the same bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "serial/data_trigger_matcher.h"
#include "serial/trace_log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace telvane;
  if (size < 2) return 0;
  const size_t length = 1 + data[0] % DataTriggerMatcher::MaxLength;
  const bool ignoreCase = data[1] & 1;
  const size_t textEnd = std::min(size, 2 + length);
  const std::string text(reinterpret_cast<const char*>(data + 2), textEnd - 2);
  DataTriggerMatcher matcher(text, ignoreCase);
  DataTriggerMatcher single(text.substr(0, 1), !ignoreCase);
  size_t matches = 0;
  for (size_t i = 0; i < size; ++i) {
    matches += matcher.feed(data[i]);
    single.feed(data[i]);
  }
  // A match needs at least the text's length in bytes.
  if (!text.empty() && matches * text.size() > size) __builtin_trap();

  TraceBuffer trace;
  trace.start(static_cast<uint32_t>(1 + size % 512));
  for (size_t i = 0; i < size; ++i) trace.add(static_cast<char>(data[i] & 1 ? 'R' : data[i]), data[i]);
  for (int mode = 0; mode < 3; ++mode) {
    const std::string dump = trace.dumpText(mode >= 1, mode == 2);
    size_t column = 0;
    for (char c : dump) {
      column = c == '\n' ? 0 : column + 1;
      if (column > 80) __builtin_trap();  // lines break before column 78 (+ "\r")
    }
  }
  DispatchLog log;
  log.start(4096, 0);
  log.add(size, LogType::Dispatch, LogSubtype::ReadCom, static_cast<uint32_t>(size), {}, data, size);
  (void)log.dumpText("COM1", data[1] & 2, data[1] & 4);
  return 0;
}
