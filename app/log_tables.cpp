#include "app/log_tables.h"

#include <filesystem>
#include <optional>

#include "app/log_search.h"
#include "app/received_fax_file.h"
#include "records/fax_records.h"
#include "records/rebuild_indexes.h"

namespace telvane {
namespace {

struct LogOrder {
  const char* newestFirstTag;
};
constexpr LogOrder OutgoingOrder{"DATESENT"};
constexpr LogOrder ReceivedOrder{"DATETIME"};

// The order rule of the command update for one log; true when the log has
// a current row.
bool prepareOrder(RecordTable& log, const LogOrder& order) {
  xbase::Table* t = log.table();
  if (!t) return false;
  // A log whose rows are all behind the current position (after a delete
  // at the end) shows its first row rather than none.
  if (t->RecNo() > t->RecCount() && log.QueryRecCount() > 0) t->GoTop();
  const bool hasRow = t->RecNo() <= t->RecCount();
  if (!hasRow) {
    if (t->OrderNumber() != 0) t->SetOrder(0);
  } else if (t->OrderNumber() == 0 && t->TagNumber(order.newestFirstTag) != 0) {
    t->SetOrder(order.newestFirstTag);
    t->GoTop();
  }
  return t->RecNo() <= t->RecCount();
}

// After a delete the current row moves to the next one shown, or the last
// when the deleted row was the last, as a grid expects.
void leaveDeletedRow(RecordTable& log) {
  xbase::Table* t = log.table();
  if (!t) return;
  t->Skip(1);
  if (t->Eof()) t->GoBottom();
}

}  // namespace

struct LogTables::Impl {
  FaxRecords records;
  RecordTable& log(LogKind kind) { return kind == LogKind::Outgoing ? records.FaxTable() : records.RecTable(); }
};

LogTables::LogTables() : impl_(std::make_unique<Impl>()) {}

LogTables::~LogTables() = default;

bool LogTables::OpenFaxDBF() { return impl_->records.OpenFaxDBF(); }
bool LogTables::OpenRecFaxDBF() { return impl_->records.OpenRecFaxDBF(); }
void LogTables::CloseFax() { impl_->records.FaxTable().Close(); }
void LogTables::CloseRec() { impl_->records.RecTable().Close(); }

void LogTables::CloseAll() {
  CloseFax();
  CloseRec();
}

bool LogTables::FaxTableCloseAndOpen() { return impl_->records.FaxTableCloseAndOpen(); }
bool LogTables::RecTableCloseAndOpen() { return impl_->records.RecTableCloseAndOpen(); }

bool LogTables::PrepareFaxOrder() { return prepareOrder(impl_->records.FaxTable(), OutgoingOrder); }
bool LogTables::PrepareRecOrder() { return prepareOrder(impl_->records.RecTable(), ReceivedOrder); }

bool LogTables::FaxHasRows() const { return impl_->records.FaxTable().QueryRecCount() > 0; }
bool LogTables::RecHasRows() const { return impl_->records.RecTable().QueryRecCount() > 0; }

bool LogTables::HasCompleteIndexes() const {
  return !FaxRecords::LacksCompleteIndex(impl_->records.FaxTable()) &&
         !FaxRecords::LacksCompleteIndex(impl_->records.RecTable());
}

std::string LogTables::CurrentFaxField(const std::string& name) const { return impl_->records.FaxTable().Field(name); }
std::string LogTables::CurrentRecField(const std::string& name) const { return impl_->records.RecTable().Field(name); }

bool LogTables::DeleteCurrentOutgoing() {
  RecordTable& log = impl_->records.FaxTable();
  const bool ok = log.DeleteRow();
  leaveDeletedRow(log);
  log.Refresh();
  return ok;
}

bool LogTables::DeleteCurrentReceived() {
  RecordTable& log = impl_->records.RecTable();
  // The file's path is found before the row goes.
  const std::optional<std::string> file = ReceivedFaxPath(log.Field("FAXFILE"));
  const bool ok = log.DeleteRow();
  leaveDeletedRow(log);
  log.Refresh();
  if (ok && file) {
    std::error_code ec;
    std::filesystem::remove(*file, ec);
  }
  return ok;
}

std::vector<uint32_t> LogTables::VisibleRecords(LogKind kind) const {
  xbase::Table* t = impl_->log(kind).table();
  return t ? t->VisibleRecords() : std::vector<uint32_t>{};
}

std::vector<uint32_t> LogTables::SearchRecords(LogKind kind, const std::vector<uint32_t>& rows,
                                               std::string_view text) const {
  xbase::Table* t = impl_->log(kind).table();
  return t ? SearchLog(*t, kind, rows, text) : std::vector<uint32_t>{};
}

uint32_t LogTables::CurrentRecord(LogKind kind) const {
  xbase::Table* t = impl_->log(kind).table();
  return t && t->RecNo() <= t->RecCount() ? t->RecNo() : 0;
}

void LogTables::GoTo(LogKind kind, uint32_t record) { impl_->log(kind).Go(record); }

LogRow LogTables::ReadRow(LogKind kind, uint32_t record) const {
  LogRow row;
  xbase::Table* t = impl_->log(kind).table();
  if (!t) return row;
  const auto& fields = t->fields();
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].type == 'M') continue;  // memos are never shown in a grid
    row.fields[std::string(fields[i].name)] = t->FieldText(record, static_cast<int>(i));
  }
  const LogCalcFields calculated = FaxRecords::CalcFieldsOf(*t, record);
  if (kind == LogKind::Outgoing) row.fields["SentYesNo"] = calculated.SentYesNo;
  row.fields["ISDELETED"] = calculated.ISDELETED;
  return row;
}

FaxRecords& LogTables::Records() { return impl_->records; }

bool LogTables::RebuildIndexes(const std::function<void(const std::string&)>& progress) {
  return telvane::RebuildIndexes(impl_->records, [&](std::string_view text) { progress(std::string(text)); });
}

}  // namespace telvane
