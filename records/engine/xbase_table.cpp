// Opening and closing a table, the record buffer, field access and memos.

#include "records/engine/xbase_table.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>

#include "platform/file_helpers.h"
#include "platform/io_errors.h"
#include "platform/text.h"
#include "records/engine/dbf_layout.h"
#include "records/engine/table_files.h"
#include "records/engine/xbase_status.h"

namespace telvane::xbase {

Table::~Table() { Close(); }

int Table::Fail(int code, std::string text) {
  error_ = std::move(text);
  return code;
}

EvalRow Table::Row(const char* record, uint32_t recno) const {
  EvalRow row;
  row.record = record;
  row.recno = recno;
  return row;
}

int Table::Open(const std::string& path, bool exclusive, bool readOnly) {
  Close();
  path_ = path;
  error_.clear();
  report_ = OpenReport();
  exclusive_ = exclusive;
  readOnly_ = readOnly;
  if (!readOnly) RecoverInterruptedPack(path);
  int rc = dbf_.Open(path, exclusive, readOnly, error_);
  if (rc != 0) return rc;
  for (const std::string& w : dbf_.warnings()) report_.notes.push_back(w);
  if (dbf_.hasMemo()) {
    const std::string memoPath = SiblingPath(path, "FPT");
    // A lost memo file costs the memo texts, not the log: a fresh empty one
    // lets the rows open, and every memo then reads as damaged.
    if (!readOnly && !FileExists(memoPath) && MemoFile::Create(memoPath, fpt::kDefaultBlockSize) == 0)
      report_.notes.push_back("memo file " + memoPath + " was missing; an empty one was made");
    rc = memo_.Open(memoPath, readOnly, error_);
    if (rc != 0) {
      dbf_.Close();
      return rc;
    }
  }
  rc = LoadIndexFile();
  if (rc != 0) {
    memo_.Close();
    dbf_.Close();
    return rc;
  }
  order_ = 0;
  GoTop();
  return 0;
}

int Table::Close() {
  if (!isOpen()) return 0;
  int rc = Commit();
  const int flushed = Flush();
  if (rc == 0) rc = flushed;
  memo_.Close();
  dbf_.Close();
  tags_.clear();
  indexDirectory_.clear();
  indexFile_.unmap();
  indexAttached_ = false;
  indexChanged_ = false;
  indexMarkedDirty_ = false;
  filter_ = Expression();
  filterText_.clear();
  eval_ = Expression();
  evalText_.clear();
  order_ = 0;
  recno_ = 0;
  eof_ = true;
  bof_ = false;
  buffer_.clear();
  bufferDirty_ = false;
  return rc;
}

std::string Table::indexPath() const { return SiblingPath(path_, "CDX"); }

// ---- record buffer ----------------------------------------------------------

int Table::LoadCurrent(uint32_t recno) {
  const char* record = dbf_.Record(recno);
  if (!record) return Fail(-xbase_status::RecordOutOfRange, "record " + std::to_string(recno) + " cannot be read");
  buffer_.assign(record, dbf_.recordLength());
  bufferDirty_ = false;
  recno_ = recno;
  eof_ = false;
  bof_ = false;
  return 0;
}

int Table::Commit() {
  if (!bufferDirty_ || eof_ || recno_ == 0) return 0;
  bufferDirty_ = false;
  int rc = MarkIndexDirty();
  if (rc == 0) rc = dbf_.Write(recno_, buffer_.data());
  if (rc != 0) return Fail(rc, "cannot write record " + std::to_string(recno_) + " of " + path_);
  return UpdateTags(recno_, buffer_.data());
}

void Table::Discard() {
  if (bufferDirty_ && !eof_ && recno_ > 0) LoadCurrent(recno_);
}

bool Table::Deleted() const { return !eof_ && !buffer_.empty() && buffer_[0] == dbf::kDeletedMark; }

int Table::Delete() {
  if (eof_) return Fail(-xbase_status::RecordOutOfRange, "no current row to delete");
  buffer_[0] = dbf::kDeletedMark;
  bufferDirty_ = true;
  return Commit();
}

int Table::Recall() {
  if (eof_) return Fail(-xbase_status::RecordOutOfRange, "no current row to recall");
  buffer_[0] = dbf::kLiveMark;
  bufferDirty_ = true;
  return Commit();
}

int Table::AppendBlank() {
  if (!isOpen()) return Fail(-xbase_status::NoTableInUse, "no table open");
  int rc = Commit();
  if (rc != 0) return rc;
  rc = MarkIndexDirty();
  if (rc != 0) return rc;
  const std::string blank = dbf_.BlankRecord();
  uint32_t recno = 0;
  rc = dbf_.Append(blank.data(), recno);
  if (rc != 0) return Fail(rc, "cannot append to " + path_ + ": " + std::string(IoErrorText(-rc)));
  buffer_ = blank;
  bufferDirty_ = false;
  recno_ = recno;
  eof_ = bof_ = false;
  return UpdateTags(recno, buffer_.data());
}

int Table::PutRecord(std::string_view bytes) {
  if (eof_) return Fail(-xbase_status::RecordOutOfRange, "no current row");
  if (bytes.size() != buffer_.size())
    return Fail(-xbase_status::BadFieldDefinition, "a record of " + std::to_string(bytes.size()) +
                                                       " bytes for a table of " + std::to_string(buffer_.size()));
  buffer_.assign(bytes);
  bufferDirty_ = true;
  return 0;
}

int Table::Rlock() const { return isOpen() && !eof_ ? 0 : -xbase_status::RecordOutOfRange; }

// ---- fields -------------------------------------------------------------------

std::string Table::ReadMemoField(const FieldDef& field, const char* record) const {
  std::string text;
  if (memo_.isOpen()) memo_.Read(MemoBlockFromField(record + field.offset, field.length), text);
  return text;
}

std::optional<Value> Table::GetValue(int field) const {
  if (eof_ || field < 0 || static_cast<size_t>(field) >= fields().size()) return std::nullopt;
  const FieldDef& f = fields()[static_cast<size_t>(field)];
  if (f.type == 'M') return Value::Text(ReadMemoField(f, buffer_.data()));
  return DecodeField(f, buffer_.data());
}

std::string Table::GetString(std::string_view field) const {
  const int i = FieldIndex(field);
  if (eof_ || i < 0) return "";
  const FieldDef& f = fields()[static_cast<size_t>(i)];
  if (f.type == 'M') return ReadMemoField(f, buffer_.data());
  if (f.type == 'C') return ToUtf8(std::string_view(buffer_).substr(f.offset, f.length), codePage());
  return buffer_.substr(f.offset, f.length);
}

bool Table::GetLogical(std::string_view field) const {
  const auto v = GetValue(FieldIndex(field));
  return v && v->type == ValueType::Logical && v->logical;
}

int32_t Table::GetDate(std::string_view field) const {
  const auto v = GetValue(FieldIndex(field));
  return v && v->type == ValueType::Date ? v->date : 0;
}

double Table::GetNumber(std::string_view field) const {
  const auto v = GetValue(FieldIndex(field));
  return v && v->type == ValueType::Numeric ? v->number : 0;
}

int Table::GetMemo(std::string_view field, std::string& text) const {
  text.clear();
  const int i = FieldIndex(field);
  if (i < 0) return -xbase_status::FieldNotFound;
  if (eof_) return -xbase_status::RecordOutOfRange;
  const FieldDef& f = fields()[static_cast<size_t>(i)];
  if (f.type != 'M') return -xbase_status::TypeMismatch;
  if (!memo_.isOpen()) return -xbase_status::MemoDamaged;
  return memo_.Read(MemoBlockFromField(buffer_.data() + f.offset, f.length), text);
}

int Table::PutValue(int field, const Value& value) {
  if (readOnly_) return Fail(-io_error::FileNotOpenForOutput, path_ + " is open read-only");
  if (eof_) return Fail(-xbase_status::RecordOutOfRange, "no current row");
  if (field < 0 || static_cast<size_t>(field) >= fields().size())
    return Fail(-xbase_status::FieldNotFound, "no such field");
  const FieldDef& f = fields()[static_cast<size_t>(field)];
  if (f.type == 'M') {
    if (value.type != ValueType::Character) return Fail(-xbase_status::TypeMismatch, "memo " + f.name + " takes text");
    return PutMemo(f.name, value.text);
  }
  if (!EncodeField(f, value, buffer_.data()))
    return Fail(-xbase_status::TypeMismatch, "a " + std::string(ValueTypeName(value.type)) +
                                                 " value does not fit field " + f.name);
  bufferDirty_ = true;
  return 0;
}

int Table::PutString(std::string_view field, std::string_view text) {
  const int i = FieldIndex(field);
  if (i < 0) return Fail(-xbase_status::FieldNotFound, "field " + std::string(field) + " not found");
  const FieldDef& f = fields()[static_cast<size_t>(i)];
  switch (f.type) {
    case 'C': return PutValue(i, Value::Text(FromUtf8(text, codePage())));
    case 'M': return PutValue(i, Value::Text(std::string(text)));
    case 'D': return PutValue(i, Value::Day(JulianFromDtos(text)));
    case 'L': {
      const std::string t = ToUpperAscii(TrimSpaces(text));
      return PutValue(i, Value::Bool(t == "T" || t == "Y" || t == ".T." || t == "TRUE"));
    }
    default: return PutValue(i, Value::Number(std::strtod(std::string(text).c_str(), nullptr)));
  }
}

int Table::PutLogical(std::string_view field, bool value) { return PutValue(FieldIndex(field), Value::Bool(value)); }
int Table::PutDate(std::string_view field, int32_t julian) { return PutValue(FieldIndex(field), Value::Day(julian)); }
int Table::PutNumber(std::string_view field, double value) { return PutValue(FieldIndex(field), Value::Number(value)); }

int Table::PutMemo(std::string_view field, std::string_view text) {
  if (readOnly_) return Fail(-io_error::FileNotOpenForOutput, path_ + " is open read-only");
  const int i = FieldIndex(field);
  if (i < 0) return Fail(-xbase_status::FieldNotFound, "field " + std::string(field) + " not found");
  if (eof_) return Fail(-xbase_status::RecordOutOfRange, "no current row");
  const FieldDef& f = fields()[static_cast<size_t>(i)];
  if (f.type != 'M') return Fail(-xbase_status::TypeMismatch, "field " + f.name + " is not a memo");
  if (!memo_.isOpen()) return Fail(-xbase_status::MemoDamaged, "the memo file is not open");
  // Always into fresh blocks: the old text stays intact until the record
  // points elsewhere, so a crash never tears a memo. Pack reclaims space.
  uint32_t block = 0;
  const int rc = memo_.Write(std::string(text), 0, block);
  if (rc != 0) return Fail(rc, "cannot write the memo file of " + path_);
  MemoBlockToField(block, buffer_.data() + f.offset, f.length);
  bufferDirty_ = true;
  return 0;
}

int Table::MemoToFile(std::string_view field, const std::string& path) {
  std::string text;
  const int rc = GetMemo(field, text);
  if (rc != 0) return Fail(rc, "cannot read memo " + std::string(field) + ": " + std::string(XbaseStatusText(rc)));
  if (text.empty()) return 1;
  PosixFile out;
  int w = out.open(path, O_WRONLY | O_CREAT | O_TRUNC);
  if (w == 0) w = out.writeAt(0, text.data(), text.size());
  if (w != 0) return Fail(w, "cannot write " + path + ": " + std::string(IoErrorText(-w)));
  return 0;
}

int Table::MemoFromFile(std::string_view field, const std::string& path) {
  PosixFile in;
  int rc = in.open(path, O_RDONLY);
  if (rc != 0) return Fail(rc, "cannot read " + path + ": " + std::string(IoErrorText(-rc)));
  const int64_t size = in.size();
  if (size < 0 || size > static_cast<int64_t>(fpt::kMaxMemoLength))
    return Fail(-xbase_status::WriteFailed, path + " is too large for a memo");
  std::string text(static_cast<size_t>(size), '\0');
  if (in.readAt(0, text.data(), text.size()) != size) return Fail(-io_error::ReadFault, "cannot read " + path);
  return PutMemo(field, text);
}

int Table::Replace(std::string_view field, int mode, std::string_view value) {
  if (mode == kReplaceFromFile) return MemoFromFile(field, std::string(value));
  return PutString(field, value);
}

// ---- any row ----------------------------------------------------------------------

const char* Table::RecordAt(uint32_t recno) {
  if (recno == recno_ && !eof_ && bufferDirty_) return buffer_.data();
  return dbf_.Record(recno);
}

std::string Table::FieldText(uint32_t recno, int field) {
  const char* record = RecordAt(recno);
  if (!record || field < 0 || static_cast<size_t>(field) >= fields().size()) return "";
  const FieldDef& f = fields()[static_cast<size_t>(field)];
  if (f.type == 'M') return ReadMemoField(f, record);
  if (f.type == 'C') return ToUtf8(std::string_view(record + f.offset, f.length), codePage());
  return std::string(record + f.offset, f.length);
}

std::optional<Value> Table::FieldValue(uint32_t recno, int field) {
  const char* record = RecordAt(recno);
  if (!record || field < 0 || static_cast<size_t>(field) >= fields().size()) return std::nullopt;
  const FieldDef& f = fields()[static_cast<size_t>(field)];
  if (f.type == 'M') return Value::Text(ReadMemoField(f, record));
  return DecodeField(f, record);
}

bool Table::IsDeletedRecord(uint32_t recno) {
  const char* record = RecordAt(recno);
  return record && record[0] == dbf::kDeletedMark;
}

int Table::MemoText(uint32_t recno, int field, std::string& text) {
  text.clear();
  const char* record = RecordAt(recno);
  if (!record) return -xbase_status::RecordOutOfRange;
  if (field < 0 || static_cast<size_t>(field) >= fields().size()) return -xbase_status::FieldNotFound;
  const FieldDef& f = fields()[static_cast<size_t>(field)];
  if (f.type != 'M') return -xbase_status::TypeMismatch;
  if (!memo_.isOpen()) return -xbase_status::MemoDamaged;
  return memo_.Read(MemoBlockFromField(record + f.offset, f.length), text);
}

}  // namespace telvane::xbase
