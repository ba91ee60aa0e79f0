#pragma once
// The work of the log maintenance window, without the window: the xBase
// conditions its commands build, deleting one row (a received fax's image
// file with it) and deleting every row a condition selects.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/log_tables.h"

namespace telvane {

class FaxRecords;
class RecordTable;

// The field the date deletion compares: DATESENT or DATEREC.
std::string_view DateFieldOf(LogKind kind);
// "outgoing" or "received", as the questions name a log.
std::string_view KindText(LogKind kind);

// (DTOS(DATESENT)<"yyyymmdd"), or nothing for a date that does not exist.
std::optional<std::string> DateCondition(LogKind kind, int year, int month, int day);

enum class MatchField { From, Recipient, Phone };
std::string_view FieldName(MatchField field);

// The condition of "Delete All Faxes Meeting Certain Conditions...": the
// trimmed, upper-cased text equal to the trimmed field (exact) or contained
// in it. The text becomes a string literal whose delimiter it does not
// contain, so a quote typed by the user cannot change the condition;
// nothing when it contains every delimiter.
std::optional<std::string> MatchCondition(MatchField field, std::string_view text, bool exact);

// Deletes the current row; on the received log its image file first. A
// failure of either is ignored.
void DeleteFaxRow(RecordTable& log, LogKind kind);

// Deletes the current row and leaves the row that followed it current.
void DeleteCurrentFax(FaxRecords& records, LogKind kind);

struct DeleteOutcome {
  int deleted = 0;
  std::string error;  // the condition could not be evaluated; nothing was deleted after it
};

// Walks the whole log in record order, rows carrying the deletion mark
// included, and deletes every row not yet marked for which `condition` is
// true. With `dateCheck` a row whose date is empty never matches (an empty
// date sorts before every date, yet an unsent fax is not "before" any).
// Order and position are restored afterwards (failures ignored).
DeleteOutcome DeleteMatching(FaxRecords& records, LogKind kind, std::string_view condition, bool dateCheck);

}  // namespace telvane
