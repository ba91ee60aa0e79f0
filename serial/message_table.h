#pragma once
// The message table: one text per status code of the system's one code
// space. Codes are stored positive; callers pass either sign. Each area's
// codes form a range of rows; the list of ranges is in message_table.cpp.

#include <span>
#include <string>
#include <string_view>

namespace telvane {

struct MessageRow {
  int code;
  std::string_view text;
};

// Status ranges hold codes whose texts must be unique; name ranges (the
// dispatch-log type and subtype names) may repeat a word.
enum class MessageRangeKind { Status, Name };

struct MessageRange {
  std::string_view name;
  std::span<const MessageRow> rows;  // sorted by code
  MessageRangeKind kind;
};

// Every range, in code order.
std::span<const MessageRange> MessageRanges();

// The table's text for |code|, or "" when it has none.
std::string_view MessageText(int code);

// The operating system's message for `number`, with control characters
// turned into blanks and doubled blanks removed.
std::string SystemMessageText(int number);

// MessageText, falling back to SystemMessageText when the table is silent.
std::string ErrorText(int code);

// The fax status text: looked up only for 4801..4843, "" otherwise.
std::string_view FaxStatusText(int code);

}  // namespace telvane
