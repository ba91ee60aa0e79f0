#include "serial/data_trigger_matcher.h"

#include "platform/text.h"

namespace telvane {

DataTriggerMatcher::DataTriggerMatcher(std::string_view text, bool ignoreCase)
    : text_(ignoreCase ? ToUpperAscii(text) : std::string(text)), ignoreCase_(ignoreCase) {
  if (text_.size() > static_cast<size_t>(MaxLength)) text_.resize(MaxLength);
}

void DataTriggerMatcher::reset() { live_ = 0; }

bool DataTriggerMatcher::feed(uint8_t byte) {
  if (text_.empty()) return false;
  const char c = ignoreCase_ ? ToUpperAscii(static_cast<char>(byte)) : static_cast<char>(byte);
  // Advance every live start; the ones that do not match the next character die.
  int kept = 0;
  for (int i = 0; i < live_; ++i) {
    const int matched = positions_[i];
    if (text_[static_cast<size_t>(matched)] != c) continue;
    if (matched + 1 == length()) {
      reset();
      return true;
    }
    positions_[kept++] = static_cast<int8_t>(matched + 1);
  }
  live_ = kept;
  // This byte may start a new match.
  if (text_[0] == c) {
    if (length() == 1) {
      reset();
      return true;
    }
    if (live_ < MaxPositions) positions_[live_++] = 1;
  }
  return false;
}

}  // namespace telvane
