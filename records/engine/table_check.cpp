#include "records/engine/table_check.h"

#include <fcntl.h>

#include "platform/file_helpers.h"
#include "records/engine/cdx_file.h"
#include "records/engine/dbf_file.h"
#include "records/engine/dbf_layout.h"
#include "records/engine/in_memory_tag.h"
#include "records/engine/memo_file.h"
#include "records/engine/table_files.h"
#include "records/engine/xbase_status.h"

namespace telvane::xbase {

namespace {

void CheckRecords(DbfFile& dbf, MemoFile* memo, TableCheckReport& report) {
  size_t badMarks = 0, badMemos = 0, deleted = 0;
  std::string text;
  for (uint32_t r = 1; r <= dbf.recordCount(); ++r) {
    const char* record = dbf.Record(r);
    if (!record) {
      report.problems.push_back("record " + std::to_string(r) + " cannot be read");
      return;
    }
    if (record[0] == dbf::kDeletedMark) ++deleted;
    else if (record[0] != dbf::kLiveMark && ++badMarks <= 5)
      report.problems.push_back("record " + std::to_string(r) + " has an invalid deletion mark");
    for (const FieldDef& f : dbf.fields()) {
      if (f.type != 'M') continue;
      const uint32_t block = MemoBlockFromField(record + f.offset, f.length);
      if (block == 0) continue;
      if ((!memo || memo->Read(block, text) != 0) && ++badMemos <= 5)
        report.problems.push_back("record " + std::to_string(r) + ": memo " + f.name + " at block " +
                                  std::to_string(block) + " is missing or damaged");
    }
  }
  if (badMarks > 5) report.problems.push_back(std::to_string(badMarks) + " records with invalid deletion marks");
  if (badMemos > 5) report.problems.push_back(std::to_string(badMemos) + " damaged memo pointers");
  report.facts.push_back(std::to_string(deleted) + " records marked deleted");
}

void CheckIndex(DbfFile& dbf, const std::string& cdxPath, TableCheckReport& report) {
  if (!FileExists(cdxPath)) {
    report.facts.push_back("no index file");
    return;
  }
  PosixFile file;
  std::string bytes;
  if (file.open(cdxPath, O_RDONLY) == 0) {
    const int64_t size = file.size();
    bytes.resize(size > 0 ? static_cast<size_t>(size) : 0);
    if (file.readAt(0, bytes.data(), bytes.size()) != static_cast<int64_t>(bytes.size())) bytes.clear();
  }
  std::vector<CdxTag> tags;
  CdxStamp stamp;
  std::string why;
  if (ReadCdxDirectory(bytes, tags, stamp, why) != 0) {
    report.problems.push_back("index file unreadable (" + why + "); the program rebuilds it when it opens the table");
    return;
  }
  if (stamp.present && stamp.dirty)
    report.problems.push_back("index file was not closed properly; the program rebuilds it at the next open");
  if (stamp.present && stamp.recordCount != dbf.recordCount())
    report.problems.push_back("index file is older than the table");
  for (CdxTag& entry : tags) {
    InMemoryTag fresh;
    fresh.name = entry.name;
    std::string error;
    if (Expression::Compile(entry.keyExpression, dbf.fields(), fresh.key, error) != 0 || !fresh.SetUpKey(error)) {
      report.problems.push_back("tag " + entry.name + ": key expression: " + error);
      continue;
    }
    if (!entry.forExpression.empty() &&
        Expression::Compile(entry.forExpression, dbf.fields(), fresh.condition, error) != 0) {
      report.problems.push_back("tag " + entry.name + ": condition: " + error);
      continue;
    }
    entry.pad = fresh.pad;
    if (ReadCdxKeys(bytes, entry, error) != 0) {
      report.problems.push_back(error);
      continue;
    }
    InMemoryTag stored = fresh;
    if (!stored.Adopt(entry.keys, entry.recnos, dbf.recordCount())) {
      report.problems.push_back("tag " + entry.name + ": keys out of order or naming missing records");
      continue;
    }
    fresh.Reset(dbf.recordCount());
    std::string key;
    for (uint32_t r = 1; r <= dbf.recordCount(); ++r) {
      const char* record = dbf.Record(r);
      if (!record) break;
      EvalRow row;
      row.record = record;
      row.recno = r;
      const bool member = fresh.Admits(row);
      if (member) fresh.MakeKey(row, key);
      fresh.Update(r, member, key);
    }
    if (fresh.Order() != stored.Order() || fresh.OrderedKeys() != stored.OrderedKeys())
      report.problems.push_back("tag " + entry.name + " does not match the table; rebuild the indexes");
    report.facts.push_back("tag " + entry.name + (entry.descending ? " (descending)" : "") + ": " +
                           entry.keyExpression + (entry.forExpression.empty() ? "" : " FOR " + entry.forExpression) +
                           ", " + std::to_string(entry.recnos.size()) + " keys");
  }
}

}  // namespace

TableCheckReport CheckTable(const std::string& path) {
  TableCheckReport report;
  DbfFile dbf;
  std::string error;
  if (dbf.Open(path, false, true, error) != 0) {
    report.problems.push_back(error);
    return report;
  }
  report.opened = true;
  for (const std::string& w : dbf.warnings()) report.problems.push_back(w);
  report.facts.push_back(std::to_string(dbf.recordCount()) + " records of " + std::to_string(dbf.recordLength()) +
                         " bytes, " + std::to_string(dbf.fields().size()) + " fields");
  MemoFile memo;
  bool memoOpen = false;
  if (dbf.hasMemo()) {
    const std::string memoPath = SiblingPath(path, "FPT");
    memoOpen = memo.Open(memoPath, true, error) == 0;
    if (!memoOpen) report.problems.push_back(error);
    else report.facts.push_back("memo file of " + std::to_string(memo.fileSize()) + " bytes");
  }
  CheckRecords(dbf, memoOpen ? &memo : nullptr, report);
  CheckIndex(dbf, SiblingPath(path, "CDX"), report);
  return report;
}

}  // namespace telvane::xbase
