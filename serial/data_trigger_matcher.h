#pragma once
// The incremental matcher of a data trigger. Bytes are fed one at a time as
// they arrive, so any number of triggers costs one pass over new data and a
// string split across reads still matches. The state is one partial-match
// position per possible start, and there are MaxPositions of them; a string
// is therefore at most MaxLength long.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace telvane {

class DataTriggerMatcher {
public:
  static constexpr int MaxPositions = 22;
  static constexpr int MaxLength = MaxPositions;

  DataTriggerMatcher() = default;
  // `text` must be at most MaxLength long (callers refuse longer ones).
  DataTriggerMatcher(std::string_view text, bool ignoreCase);

  const std::string& text() const { return text_; }
  bool ignoreCase() const { return ignoreCase_; }
  int length() const { return static_cast<int>(text_.size()); }

  // Feeds one byte; true when it completes a match (all positions reset).
  bool feed(uint8_t byte);
  void reset();

private:
  std::string text_;  // folded to upper case when ignoring case
  bool ignoreCase_ = false;
  std::array<int8_t, MaxPositions> positions_{};  // chars matched per live start
  int live_ = 0;
};

}  // namespace telvane
