#include "app/log_cleanup.h"

#include <cstdio>

#include "app/received_fax_file.h"
#include "platform/text.h"
#include "records/engine/xbase_value.h"
#include "records/fax_records.h"

namespace telvane {
namespace {

RecordTable& logOf(FaxRecords& records, LogKind kind) {
  return kind == LogKind::Outgoing ? records.FaxTable() : records.RecTable();
}

// The text as an xBase string literal, delimited by the first of ", ' and
// [ ] that it does not contain.
std::optional<std::string> stringLiteral(std::string_view text) {
  if (text.find('"') == std::string_view::npos) return "\"" + std::string(text) + "\"";
  if (text.find('\'') == std::string_view::npos) return "'" + std::string(text) + "'";
  if (text.find(']') == std::string_view::npos) return "[" + std::string(text) + "]";
  return std::nullopt;
}

}  // namespace

std::string_view DateFieldOf(LogKind kind) { return kind == LogKind::Outgoing ? "DATESENT" : "DATEREC"; }

std::string_view KindText(LogKind kind) { return kind == LogKind::Outgoing ? "outgoing" : "received"; }

std::optional<std::string> DateCondition(LogKind kind, int year, int month, int day) {
  if (xbase::JulianFromYmd(year, month, day) == 0) return std::nullopt;  // 31 April, year 0 and the like
  char digits[9];
  std::snprintf(digits, sizeof digits, "%04d%02d%02d", year, month, day);
  return "(DTOS(" + std::string(DateFieldOf(kind)) + ")<\"" + digits + "\")";
}

std::string_view FieldName(MatchField field) {
  switch (field) {
    case MatchField::From: return "FROM";
    case MatchField::Recipient: return "RECIPIENT";
    case MatchField::Phone: return "PHONE";
  }
  return "RECIPIENT";
}

std::optional<std::string> MatchCondition(MatchField field, std::string_view text, bool exact) {
  const auto literal = stringLiteral(ToUpperAscii(TrimSpaces(text)));
  if (!literal) return std::nullopt;
  const std::string trimmedField = "ALLTRIM(UPPER(" + std::string(FieldName(field)) + "))";
  return exact ? trimmedField + "==" + *literal : *literal + "$" + trimmedField;
}

void DeleteFaxRow(RecordTable& log, LogKind kind) {
  if (kind == LogKind::Received) RemoveReceivedFax(log.Field("FAXFILE"));
  log.DeleteRow();
}

void DeleteCurrentFax(FaxRecords& records, LogKind kind) {
  RecordTable& log = logOf(records, kind);
  xbase::Table* t = log.table();
  if (!t || t->Eof()) return;
  const uint32_t deleted = t->RecNo();
  t->Skip(1);
  const uint32_t following = t->RecNo();
  t->Go(deleted);
  DeleteFaxRow(log, kind);
  if (t->Go(following) != 0 || t->Eof()) t->GoBottom();
}

DeleteOutcome DeleteMatching(FaxRecords& records, LogKind kind, std::string_view condition, bool dateCheck) {
  DeleteOutcome outcome;
  RecordTable& log = logOf(records, kind);
  xbase::Table* t = log.table();
  if (!t) {
    outcome.error = "the log is not open";
    return outcome;
  }
  // One expression for both tests: the table keeps only the last one
  // compiled, and alternating two would compile each for every row.
  std::string test = "(" + std::string(condition) + ")";
  if (dateCheck) test += " .and. .not. EMPTY(" + std::string(DateFieldOf(kind)) + ")";

  const uint32_t remembered = t->RecNo();
  const int tag = t->OrderNumber();
  t->SetOrder(0);
  records.engine().SetDeleted(false);
  log.SuspendViews();
  for (t->GoTop(); !t->Eof(); t->Skip(1)) {
    const int match = t->EvalLogical(test);
    if (match < 0) {
      outcome.error = t->lastError();
      break;
    }
    if (match == 1 && !t->Deleted()) {
      DeleteFaxRow(log, kind);
      ++outcome.deleted;
    }
  }
  records.engine().SetDeleted(true);
  log.ResumeViews();
  log.Refresh();
  t->SetOrder(tag);
  t->Go(remembered);
  return outcome;
}

}  // namespace telvane
