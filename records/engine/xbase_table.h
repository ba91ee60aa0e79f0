#pragma once
// One open table (a work area): the DBF with its memo file and compound
// index, a current row with its record buffer, the controlling order, the
// filter and the deleted-row switch of the environment.
//
// Every operation returns 0 (or a count/number) on success and a negated
// status code (xbase_status.h, or a runtime file error) on failure;
// lastError() then holds a text naming the problem. Nothing throws.
//
// Navigation follows xBase: the current row is a record number; Eof() is
// true past the last visible row (RecNo() is then RecCount() + 1); Bof() is
// true after skipping back before the first. A row is visible when it
// passes the filter, is not hidden as deleted (SetDeleted on the
// environment) and, in a tag order, passes the tag's FOR condition.
//
// Field setters change the record buffer of the current row; the buffer is
// written (and the tags brought up to date) by Commit(), by any movement,
// and by Close(). Tags live in memory and reach the CDX file at Flush(),
// IndexTag(), Pack() and Close(); a flag in the CDX raised before the first
// unwritten change makes a reopen after a crash rebuild the index.
//
// Reading for a list view (a grid of many rows that fetches rows as they
// are shown):
//   std::vector<uint32_t> rows = table.VisibleRecords();  // one pass
//   ... row i of the grid is rows[i]; read it without moving:
//   table.FieldText(rows[i], fieldIndex)   (C in UTF-8, N/D/L as stored)
//   table.FieldValue(rows[i], fieldIndex)  (typed)
//   table.IsDeletedRecord(rows[i])
// VisibleRecords lists the rows in the controlling order (descending tags
// newest first), honouring the filter and hidden deleted rows. With the
// log's tag condition and filter ".not. deleted()" it copies the tag's
// order without reading a record (about a millisecond for 100,000 rows).
// Go(recno) then makes a row current for editing.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_helpers.h"
#include "records/engine/cdx_file.h"
#include "records/engine/code_page.h"
#include "records/engine/dbf_file.h"
#include "records/engine/expression.h"
#include "records/engine/in_memory_tag.h"
#include "records/engine/memo_file.h"

namespace telvane::xbase {

// Switches shared by every work area of an engine.
struct Environment {
  bool hideDeleted = false;  // SET DELETED ON: rows carrying the mark are skipped
};

// What Open found and repaired.
struct OpenReport {
  bool indexRebuilt = false;
  std::vector<std::string> notes;
};

class Table {
public:
  explicit Table(const Environment& environment) : env_(environment) {}
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // ---- opening ----------------------------------------------------------
  int Open(const std::string& path, bool exclusive, bool readOnly);
  int Close();
  bool isOpen() const { return dbf_.isOpen(); }
  const std::string& path() const { return path_; }
  std::string indexPath() const;
  const OpenReport& openReport() const { return report_; }
  const std::string& lastError() const { return error_; }

  // ---- structure --------------------------------------------------------
  const std::vector<FieldDef>& fields() const { return dbf_.fields(); }
  // The code page of the table's text (its header's mark). Character fields
  // pass through GetString, FieldText and PutString as UTF-8, and filter and
  // EvalLogical expressions are taken as UTF-8; values, memos and records
  // are the stored bytes.
  CodePage codePage() const { return CodePageFromMark(dbf_.codePageMark()); }
  int FieldIndex(std::string_view name) const { return dbf_.FieldIndex(name); }

  // ---- navigation -------------------------------------------------------
  int GoTop();
  int GoBottom();
  int Skip(int64_t count);
  int Go(uint32_t recno);
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  uint32_t RecNo() const { return eof_ ? RecCount() + 1 : recno_; }
  uint32_t RecCount() const { return dbf_.recordCount(); }

  // ---- current row ------------------------------------------------------
  bool Deleted() const;
  int Delete();
  int Recall();
  int AppendBlank();
  int Commit();
  // The current record's raw bytes (deletion mark first), and their
  // replacement by bytes of the same length; empty at Eof.
  std::string_view CurrentRecord() const { return eof_ ? std::string_view() : std::string_view(buffer_); }
  int PutRecord(std::string_view bytes);
  // Record locks: a table in exclusive use needs none, so these only check
  // that a row is current.
  int Rlock() const;
  int Unlock() const { return 0; }
  // Drops unwritten changes of the record buffer.
  void Discard();

  std::optional<Value> GetValue(int field) const;
  std::string GetString(std::string_view field) const;  // C in UTF-8; N/D/L as stored; memo text for M
  bool GetLogical(std::string_view field) const;
  int32_t GetDate(std::string_view field) const;        // Julian day, 0 empty
  double GetNumber(std::string_view field) const;
  int GetMemo(std::string_view field, std::string& text) const;
  int PutValue(int field, const Value& value);
  int PutString(std::string_view field, std::string_view text);
  int PutLogical(std::string_view field, bool value);
  int PutDate(std::string_view field, int32_t julian);
  int PutNumber(std::string_view field, double value);
  int PutMemo(std::string_view field, std::string_view text);
  // Memo to file: 0 written, 1 when the memo is empty (no file is made).
  int MemoToFile(std::string_view field, const std::string& path);
  // File into memo (replace mode 8192).
  int MemoFromFile(std::string_view field, const std::string& path);
  // The replace call with its mode: kReplaceFromFile takes `value` as the
  // path of a file whose content goes into the (memo) field; any other
  // mode stores `value` as text (as PutString).
  static constexpr int kReplaceFromFile = 8192;
  int Replace(std::string_view field, int mode, std::string_view value);

  // ---- reading any row without moving (list views, tools) ---------------
  const char* RecordAt(uint32_t recno);
  std::string FieldText(uint32_t recno, int field);
  std::optional<Value> FieldValue(uint32_t recno, int field);
  bool IsDeletedRecord(uint32_t recno);
  int MemoText(uint32_t recno, int field, std::string& text);
  std::vector<uint32_t> VisibleRecords();

  // ---- expressions, filter ----------------------------------------------
  // 1 true, 0 false for the current row, negated status on error.
  int EvalLogical(std::string_view expression);
  int SetFilter(std::string_view expression);  // "" clears it
  const std::string& FilterText() const { return filterText_; }
  // Rows passing the filter (and not hidden as deleted).
  int64_t QueryCount();

  // ---- index tags ---------------------------------------------------------
  // Builds (or replaces) a tag of the table's compound index.
  int IndexTag(std::string_view tag, std::string_view keyExpression, bool descending, std::string_view condition);
  // 1-based number of a tag, 0 when absent.
  int TagNumber(std::string_view tag) const;
  std::vector<std::string> TagNames() const;
  int SetOrder(int tagNumber);  // 0 = record order
  int SetOrder(std::string_view tag);
  int OrderNumber() const { return order_; }
  std::string OrderName() const;
  const InMemoryTag* Tag(int number) const;
  // Writes the tags to the CDX file (only when something changed).
  int Flush();
  // Writes pending changes, then detaches the compound index.
  int CloseIndexes();
  int Pack();

private:
  friend class TablePacker;
  int Fail(int code, std::string text);
  EvalRow Row(const char* record, uint32_t recno) const;
  bool Visible(uint32_t recno, bool inTag);
  bool FilterAllowsAll() const;
  bool TagImpliesVisible(const InMemoryTag& tag) const;
  int LoadCurrent(uint32_t recno);
  // Moves to the first visible row from `start` in direction `step` (+1 or
  // -1), in the controlling order.
  int Seek(int64_t startPosition, int step);
  int64_t PositionOf(uint32_t recno);
  int64_t OrderSize();
  uint32_t OrderAt(int64_t position);
  int UpdateTags(uint32_t recno, const char* record);
  int LoadIndexFile();
  int LoadTagKeys(InMemoryTag& tag);
  int BuildTag(InMemoryTag& tag);
  int EnsureAllTagsLoaded();
  int MarkIndexDirty();
  int RebuildIndex(const std::vector<InMemoryTag*>& tags, const std::string& reason);
  int CompileTag(InMemoryTag& tag, const std::string& keyText, const std::string& forText);
  std::string ReadMemoField(const FieldDef& field, const char* record) const;

  const Environment& env_;
  std::string path_;
  std::string error_;
  OpenReport report_;
  DbfFile dbf_;
  MemoFile memo_;
  bool exclusive_ = true;
  bool readOnly_ = false;

  uint32_t recno_ = 0;
  bool eof_ = true;
  bool bof_ = false;
  std::string buffer_;  // the current record
  bool bufferDirty_ = false;

  std::string filterText_;
  Expression filter_;
  std::string evalText_;  // last EvalLogical expression, kept compiled
  Expression eval_;

  std::vector<std::unique_ptr<InMemoryTag>> tags_;
  bool indexAttached_ = false;
  bool indexChanged_ = false;   // tags differ from the CDX file
  bool indexMarkedDirty_ = false;
  MappedFile indexFile_;        // the CDX file while tags are still unread
  std::vector<CdxTag> indexDirectory_;
  int order_ = 0;
};

}  // namespace telvane::xbase
