#include "records/record_table.h"

#include "platform/program_directory.h"

namespace telvane {

RecordTable::~RecordTable() { Close(); }

bool RecordTable::Fail(std::string text) {
  error_ = std::move(text);
  return false;
}

void RecordTable::SetFile(const std::string& directory, std::string_view fileName) {
  path_ = JoinPath(directory, fileName);
}

bool RecordTable::Open() {
  Close();
  error_.clear();
  area_ = engine_.Use(path_, "", xbase::kModeExclusive, xbase::kTypeFox);
  if (area_ == 0) return Fail(engine_.lastError());
  state_ = State::Browse;
  if (!query_.empty() && table()->SetFilter(query_) != 0) return Fail(table()->lastError());
  return true;
}

void RecordTable::Close() {
  if (area_ != 0 && engine_.Area(area_)) {
    xbase::Table* t = table();
    if (state_ == State::Insert || state_ == State::Edit) t->Commit();
    if (engine_.Close(area_) != 0) error_ = engine_.lastError();
  }
  area_ = 0;
  state_ = State::Inactive;
}

bool RecordTable::Append() {
  xbase::Table* t = table();
  if (!t) return Fail("the table is not open");
  if (state_ != State::Browse && !Post()) return false;
  if (t->AppendBlank() != 0) return Fail(t->lastError());
  state_ = State::Insert;
  return true;
}

bool RecordTable::Edit() {
  xbase::Table* t = table();
  if (!t) return Fail("the table is not open");
  if (t->Eof()) return Fail("no current row to edit");
  if (state_ == State::Browse) state_ = State::Edit;
  return true;
}

bool RecordTable::Post() {
  xbase::Table* t = table();
  if (!t) return Fail("the table is not open");
  const int rc = t->Commit();
  state_ = State::Browse;
  return rc == 0 ? true : Fail(t->lastError());
}

void RecordTable::Cancel() {
  xbase::Table* t = table();
  if (!t) return;
  t->Discard();
  if (state_ == State::Insert) t->Delete();
  state_ = State::Browse;
}

bool RecordTable::DeleteRow() {
  xbase::Table* t = table();
  if (!t) return Fail("the table is not open");
  if (state_ != State::Browse) Post();
  return t->Delete() == 0 ? true : Fail(t->lastError());
}

bool RecordTable::Query(std::string_view expression) {
  query_ = std::string(expression);
  xbase::Table* t = table();
  if (!t) return true;  // applied at the next open
  return t->SetFilter(expression) == 0 ? true : Fail(t->lastError());
}

int64_t RecordTable::QueryRecCount() const {
  xbase::Table* t = table();
  return t ? t->QueryCount() : 0;
}

uint32_t RecordTable::RecNo() const {
  xbase::Table* t = table();
  return t ? t->RecNo() : 0;
}

bool RecordTable::Go(uint32_t recno) {
  xbase::Table* t = table();
  if (!t) return Fail("the table is not open");
  return t->Go(recno) == 0 ? true : Fail(t->lastError());
}

std::string RecordTable::Field(std::string_view name) const {
  xbase::Table* t = table();
  return t ? t->GetString(name) : std::string();
}

bool RecordTable::SetField(std::string_view name, std::string_view text) {
  xbase::Table* t = table();
  if (!t) return Fail("the table is not open");
  return t->PutString(name, text) == 0 ? true : Fail(t->lastError());
}

}  // namespace telvane
