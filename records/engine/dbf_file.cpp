#include "records/engine/dbf_file.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <fcntl.h>

#include "platform/file_helpers.h"
#include "platform/io_errors.h"
#include "platform/text.h"
#include "records/engine/byte_order.h"
#include "records/engine/dbf_layout.h"
#include "records/engine/xbase_status.h"

namespace telvane::xbase {

namespace {

constexpr uint32_t kChunkBytes = 64 * 1024;

bool KnownType(char t) { return t == 'C' || t == 'N' || t == 'F' || t == 'L' || t == 'D' || t == 'M'; }

bool ValidName(const std::string& name) {
  if (name.empty() || name.size() > 10) return false;
  if (!((name[0] >= 'A' && name[0] <= 'Z') || name[0] == '_')) return false;
  for (char c : name)
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
  return true;
}

}  // namespace

void PutToday(unsigned char* p) {
  const std::time_t now = std::time(nullptr);
  std::tm tm {};
  ::localtime_r(&now, &tm);
  // FoxPro keeps the year modulo 100 (2026 is 26); a count from 1900 (126)
  // reads as 2126 in readers that follow FoxPro.
  p[0] = static_cast<unsigned char>((tm.tm_year + 1900) % 100);
  p[1] = static_cast<unsigned char>(tm.tm_mon + 1);
  p[2] = static_cast<unsigned char>(tm.tm_mday);
}

std::string BuildDbfHeader(std::vector<FieldDef>& fields, uint32_t recordCount, std::string& error) {
  if (fields.empty() || fields.size() > dbf::kMaxFields) {
    error = "a table needs 1 to 255 fields";
    return {};
  }
  uint32_t offset = 1;
  bool memo = false;
  for (size_t i = 0; i < fields.size(); ++i) {
    FieldDef& f = fields[i];
    f.name = ToUpperAscii(f.name);
    f.type = ToUpperAscii(f.type);
    if (!ValidName(f.name)) {
      error = "invalid field name \"" + f.name + "\"";
      return {};
    }
    for (size_t j = 0; j < i; ++j)
      if (fields[j].name == f.name) {
        error = "duplicate field name " + f.name;
        return {};
      }
    switch (f.type) {
      case 'C': if (f.length == 0) { error = "field " + f.name + " has no width"; return {}; } f.decimals = 0; break;
      case 'N': case 'F':
        if (f.length == 0 || f.length > 20 || (f.decimals > 0 && f.decimals + 2 > f.length)) {
          error = "invalid width or decimals of field " + f.name;
          return {};
        }
        break;
      case 'L': f.length = 1; f.decimals = 0; break;
      case 'D': f.length = 8; f.decimals = 0; break;
      case 'M': f.length = dbf::kMemoFieldLength; f.decimals = 0; memo = true; break;
      default:
        error = "unknown field type '" + std::string(1, f.type) + "' of field " + f.name;
        return {};
    }
    f.offset = offset;
    offset += f.length;
  }
  if (offset > dbf::kMaxRecordLength) {
    error = "record too long";
    return {};
  }
  const size_t headerLength = dbf::kHeaderSize + fields.size() * dbf::kDescriptorSize + 1;
  std::string header(headerLength, '\0');
  auto* h = reinterpret_cast<unsigned char*>(header.data());
  h[dbf::kVersion] = memo ? dbf::kVersionWithMemo : dbf::kVersionPlain;
  PutToday(h + dbf::kLastUpdate);
  PutLe32(h + dbf::kRecordCount, recordCount);
  PutLe16(h + dbf::kHeaderLength, static_cast<uint16_t>(headerLength));
  PutLe16(h + dbf::kRecordLength, static_cast<uint16_t>(offset));
  h[dbf::kTableFlags] = memo ? dbf::kFlagMemo : 0;
  h[dbf::kCodePage] = dbf::kCodePage437;
  for (size_t i = 0; i < fields.size(); ++i) {
    unsigned char* d = h + dbf::kHeaderSize + i * dbf::kDescriptorSize;
    std::memcpy(d + dbf::kFieldName, fields[i].name.data(), fields[i].name.size());
    d[dbf::kFieldType] = static_cast<unsigned char>(fields[i].type);
    PutLe32(d + dbf::kFieldOffset, fields[i].offset);
    d[dbf::kFieldLength] = fields[i].length;
    d[dbf::kFieldDecimals] = fields[i].decimals;
  }
  h[headerLength - 1] = dbf::kHeaderTerminator;
  return header;
}

int DbfFile::Create(const std::string& path, std::vector<FieldDef> fields, std::string& error) {
  std::string header = BuildDbfHeader(fields, 0, error);
  if (header.empty()) return -xbase_status::BadFieldDefinition;
  header.push_back(static_cast<char>(dbf::kEndOfFile));
  // Written beside and renamed into place: a crash leaves no half header.
  const int rc = WriteFileAtomically(path, header.data(), header.size());
  if (rc != 0) error = "cannot write " + path + ": " + std::string(IoErrorText(-rc));
  return rc;
}

int DbfFile::Open(const std::string& path, bool exclusive, bool readOnly, std::string& error) {
  Close();
  path_ = path;
  readOnly_ = readOnly;
  int rc = file_.open(path, readOnly ? O_RDONLY : O_RDWR);
  if (rc != 0) {
    error = "cannot open " + path + ": " + std::string(IoErrorText(-rc));
    return rc;
  }
  if (!file_.lock(exclusive)) {
    file_.close();
    error = path + " is in use by another program";
    return -xbase_status::TableInUse;
  }
  auto fail = [&](int code, const std::string& what) {
    file_.close();
    error = path + ": " + what;
    return -code;
  };
  const int64_t size = file_.size();
  unsigned char h[dbf::kHeaderSize];
  if (size < static_cast<int64_t>(dbf::kHeaderSize + 1) ||
      file_.readAt(0, h, sizeof h) != static_cast<int64_t>(sizeof h))
    return fail(xbase_status::NotATable, "file too short for a table header");
  const uint8_t version = h[dbf::kVersion];
  if (version != dbf::kVersionPlain && version != dbf::kVersionWithMemo && version != 0x30 && version != 0x83 &&
      version != 0x8B)
    return fail(xbase_status::NotATable, "unknown table version byte");
  headerLength_ = GetLe16(h + dbf::kHeaderLength);
  recordLength_ = GetLe16(h + dbf::kRecordLength);
  tableFlags_ = h[dbf::kTableFlags];
  codePageMark_ = h[dbf::kCodePage];
  uint32_t count = GetLe32(h + dbf::kRecordCount);
  if (headerLength_ < dbf::kHeaderSize + 1 || headerLength_ > size || recordLength_ < 1)
    return fail(xbase_status::NotATable, "header or record length out of range");
  std::string descriptors(headerLength_ - dbf::kHeaderSize, '\0');
  if (file_.readAt(dbf::kHeaderSize, descriptors.data(), descriptors.size()) !=
      static_cast<int64_t>(descriptors.size()))
    return fail(xbase_status::NotATable, "cannot read the field descriptors");
  fields_.clear();
  hasMemo_ = false;
  uint32_t offset = 1;
  bool terminated = false;
  for (size_t at = 0; at < descriptors.size(); at += dbf::kDescriptorSize) {
    const auto* d = reinterpret_cast<const unsigned char*>(descriptors.data() + at);
    if (d[0] == dbf::kHeaderTerminator) {
      terminated = true;
      break;
    }
    // Without the terminator the header length cannot be trusted either:
    // the "fields" past the real ones would be record bytes.
    if (at + dbf::kDescriptorSize > descriptors.size()) break;
    FieldDef f;
    size_t n = 0;
    while (n < dbf::kFieldNameSize && d[dbf::kFieldName + n] != 0) ++n;
    f.name = ToUpperAscii(std::string_view(reinterpret_cast<const char*>(d), n));
    f.type = static_cast<char>(d[dbf::kFieldType]);
    f.length = d[dbf::kFieldLength];
    f.decimals = d[dbf::kFieldDecimals];
    f.offset = offset;
    if (!KnownType(f.type)) {
      const std::string letter = f.type >= 0x20 && f.type < 0x7F ? std::string(1, f.type) : "\\x" + std::to_string(
                                                                                              static_cast<unsigned char>(f.type));
      return fail(xbase_status::UnknownFieldType, "unknown field type '" + letter + "' of field " + f.name);
    }
    if (f.length == 0 || (f.type == 'M' && f.length != 10 && f.length != 4))
      return fail(xbase_status::NotATable, "invalid width of field " + f.name);
    if (f.type == 'M') hasMemo_ = true;
    offset += f.length;
    fields_.push_back(std::move(f));
  }
  if (!terminated) return fail(xbase_status::NotATable, "the field descriptors end without the 0x0D terminator");
  if (fields_.empty()) return fail(xbase_status::NotATable, "the table has no fields");
  if (offset != recordLength_) return fail(xbase_status::NotATable, "record length does not match the fields");
  const uint64_t room = (static_cast<uint64_t>(size) - headerLength_) / recordLength_;
  if (count > room) {
    warnings_.push_back("header counts " + std::to_string(count) + " records but the file holds " +
                        std::to_string(room));
    count = static_cast<uint32_t>(room);
  }
  recordCount_ = count;
  chunks_.clear();
  chunks_.resize(recordCount_ / ChunkRecords() + 1);
  return 0;
}

void DbfFile::Close() {
  file_.close();
  chunks_.clear();
  fields_.clear();
  warnings_.clear();
  recordCount_ = 0;
}

int DbfFile::FieldIndex(std::string_view name) const {
  const std::string upper = ToUpperAscii(TrimSpaces(name));
  for (size_t i = 0; i < fields_.size(); ++i)
    if (fields_[i].name == upper) return static_cast<int>(i);
  return -1;
}

uint32_t DbfFile::ChunkRecords() const {
  const uint32_t n = kChunkBytes / (recordLength_ ? recordLength_ : 1);
  return n ? n : 1;
}

const char* DbfFile::Record(uint32_t recno) {
  if (recno < 1 || recno > recordCount_) return nullptr;
  const uint32_t per = ChunkRecords();
  const uint32_t index = (recno - 1) / per;
  const uint32_t slot = (recno - 1) % per;
  if (index >= chunks_.size()) chunks_.resize(index + 1);
  Chunk& c = chunks_[index];
  if (slot >= c.valid) {
    if (!c.data) c.data = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(per) * recordLength_);
    const uint32_t first = index * per + 1;
    const uint32_t want = std::min<uint32_t>(per, recordCount_ - first + 1);
    const uint64_t at = headerLength_ + static_cast<uint64_t>(first - 1) * recordLength_;
    const int64_t got = file_.readAt(at, c.data.get(), static_cast<size_t>(want) * recordLength_);
    if (got < 0) return nullptr;
    c.valid = static_cast<uint32_t>(static_cast<uint64_t>(got) / recordLength_);
    if (slot >= c.valid) return nullptr;
  }
  return c.data.get() + static_cast<size_t>(slot) * recordLength_;
}

int DbfFile::Write(uint32_t recno, const char* data) {
  if (readOnly_) return -io_error::FileNotOpenForOutput;
  if (recno < 1 || recno > recordCount_) return -xbase_status::RecordOutOfRange;
  const uint64_t at = headerLength_ + static_cast<uint64_t>(recno - 1) * recordLength_;
  const int rc = file_.writeAt(at, data, recordLength_);
  if (rc != 0) return rc;
  const uint32_t per = ChunkRecords();
  Chunk& c = chunks_[(recno - 1) / per];
  const uint32_t slot = (recno - 1) % per;
  if (c.data && slot < c.valid) std::memcpy(c.data.get() + static_cast<size_t>(slot) * recordLength_, data, recordLength_);
  return 0;
}

int DbfFile::Append(const char* data, uint32_t& recno) {
  if (readOnly_) return -io_error::FileNotOpenForOutput;
  const uint64_t at = headerLength_ + static_cast<uint64_t>(recordCount_) * recordLength_;
  std::string buffer(data, recordLength_);
  buffer.push_back(static_cast<char>(dbf::kEndOfFile));
  int rc = file_.writeAt(at, buffer.data(), buffer.size());
  if (rc != 0) return rc;
  ++recordCount_;
  rc = WriteCountAndDate();
  if (rc != 0) {
    --recordCount_;
    return rc;
  }
  recno = recordCount_;
  const uint32_t per = ChunkRecords();
  const uint32_t index = (recno - 1) / per;
  if (index >= chunks_.size()) chunks_.resize(index + 1);
  Chunk& c = chunks_[index];
  const uint32_t slot = (recno - 1) % per;
  if (c.data && slot == c.valid) {
    std::memcpy(c.data.get() + static_cast<size_t>(slot) * recordLength_, data, recordLength_);
    ++c.valid;
  }
  return 0;
}

int DbfFile::WriteCountAndDate() {
  unsigned char h[8];
  PutToday(h + 1);
  PutLe32(h + 4, recordCount_);
  return file_.writeAt(dbf::kLastUpdate, h + 1, 7);
}

int DbfFile::SetTableFlags(uint8_t flags) {
  if (readOnly_ || flags == tableFlags_) return 0;
  const int rc = file_.writeAt(dbf::kTableFlags, &flags, 1);
  if (rc == 0) tableFlags_ = flags;
  return rc;
}

std::string DbfFile::BlankRecord() const {
  std::string r(recordLength_, ' ');
  return r;
}

}  // namespace telvane::xbase
