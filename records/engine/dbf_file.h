#pragma once
// The DBF data file: header, field descriptors and fixed-length records,
// read through a cache of whole-record chunks and written through.
//
// Crash safety: an append writes the record and the end-of-file mark first
// and the header's record count last, so a crash in between loses only that
// record (it lies beyond the count and is ignored).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix_file.h"
#include "records/engine/xbase_value.h"

namespace telvane::xbase {

class DbfFile {
public:
  // Writes an empty table with these fields (offsets are computed here).
  // Returns 0 or a negated status; `error` says what is wrong.
  static int Create(const std::string& path, std::vector<FieldDef> fields, std::string& error);

  // Opens a table. Exclusive takes an exclusive lock, others a shared one.
  int Open(const std::string& path, bool exclusive, bool readOnly, std::string& error);
  void Close();
  bool isOpen() const { return file_.isOpen(); }

  const std::vector<FieldDef>& fields() const { return fields_; }
  int FieldIndex(std::string_view name) const;  // -1 when absent (case ignored)
  uint32_t recordCount() const { return recordCount_; }
  uint32_t recordLength() const { return recordLength_; }
  uint32_t headerLength() const { return headerLength_; }
  bool hasMemo() const { return hasMemo_; }
  bool readOnly() const { return readOnly_; }
  const std::string& path() const { return path_; }
  // Damage found and survived at open (a record count beyond the file).
  const std::vector<std::string>& warnings() const { return warnings_; }

  // The record's bytes (recordLength of them), or nullptr when out of range
  // or unreadable. Valid until the table is closed.
  const char* Record(uint32_t recno);
  int Write(uint32_t recno, const char* data);
  // Appends a record; `recno` receives its number.
  int Append(const char* data, uint32_t& recno);
  int SetTableFlags(uint8_t flags);
  uint8_t tableFlags() const { return tableFlags_; }
  uint8_t codePageMark() const { return codePageMark_; }
  // A record of blanks (deletion mark clear).
  std::string BlankRecord() const;
  int Sync() { return file_.sync(); }

private:
  int WriteCountAndDate();
  uint32_t ChunkRecords() const;

  struct Chunk {
    std::unique_ptr<char[]> data;
    uint32_t valid = 0;  // records loaded
  };

  PosixFile file_;
  std::string path_;
  std::vector<FieldDef> fields_;
  std::vector<std::string> warnings_;
  uint32_t recordCount_ = 0;
  uint32_t recordLength_ = 0;
  uint32_t headerLength_ = 0;
  uint8_t tableFlags_ = 0;
  uint8_t codePageMark_ = 0;
  bool hasMemo_ = false;
  bool readOnly_ = false;
  std::vector<Chunk> chunks_;
};

// Today's date as a header's date of last update (YY, MM, DD).
void PutToday(unsigned char* lastUpdate);

// Builds the header and descriptors of a table with these fields; fills in
// the fields' offsets. Empty with `error` set when a definition is invalid.
std::string BuildDbfHeader(std::vector<FieldDef>& fields, uint32_t recordCount, std::string& error);

}  // namespace telvane::xbase
