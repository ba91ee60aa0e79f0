// Pack: removes the rows carrying the deletion mark and the memo blocks no
// row uses any more. The new table and memo file are written beside the
// old ones, synced, committed by a marker file and renamed into place, so
// a crash at any point leaves either the old table or the new one whole.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

#include "platform/file_helpers.h"
#include "platform/io_errors.h"
#include "platform/text.h"
#include "records/engine/byte_order.h"
#include "records/engine/dbf_layout.h"
#include "records/engine/table_files.h"
#include "records/engine/xbase_status.h"
#include "records/engine/xbase_table.h"

namespace telvane::xbase {

std::string SiblingPath(const std::string& tablePath, std::string_view ext) {
  const size_t slash = tablePath.find_last_of('/');
  const size_t dot = tablePath.find_last_of('.');
  const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string stem = hasExt ? tablePath.substr(0, dot) : tablePath;
  const std::string tableExt = hasExt ? tablePath.substr(dot + 1) : "";
  const bool lower = !tableExt.empty() && tableExt == ToLowerAscii(tableExt) && tableExt != ToUpperAscii(tableExt);
  const std::string upper = stem + "." + ToUpperAscii(ext);
  const std::string lowerName = stem + "." + ToLowerAscii(ext);
  if (FileExists(upper)) return upper;
  if (FileExists(lowerName)) return lowerName;
  return lower ? lowerName : upper;
}

std::string PackTempPath(const std::string& path) { return path + ".pak"; }
std::string PackMarkerPath(const std::string& tablePath) { return tablePath + ".packed"; }

void RecoverInterruptedPack(const std::string& tablePath) {
  const std::string memoPath = SiblingPath(tablePath, "FPT");
  const std::string marker = PackMarkerPath(tablePath);
  if (FileExists(marker)) {
    for (const std::string& p : {memoPath, tablePath})
      if (FileExists(PackTempPath(p))) std::rename(PackTempPath(p).c_str(), p.c_str());
    std::remove(marker.c_str());
    // The index still carries the old record count, so the next open
    // rebuilds it for the new record numbers.
  } else {
    std::remove(PackTempPath(memoPath).c_str());
    std::remove(PackTempPath(tablePath).c_str());
  }
}

namespace {

// Buffered sequential writer over a PosixFile.
class Writer {
public:
  explicit Writer(PosixFile& file) : file_(file) {}
  int Put(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    buffer_.append(p, size);
    return buffer_.size() >= (1u << 20) ? Drain() : 0;
  }
  int Drain() {
    const int rc = file_.writeAt(at_, buffer_.data(), buffer_.size());
    at_ += buffer_.size();
    buffer_.clear();
    return rc;
  }
  uint64_t position() const { return at_ + buffer_.size(); }

private:
  PosixFile& file_;
  std::string buffer_;
  uint64_t at_ = 0;
};

}  // namespace

int Table::Pack() {
  if (!isOpen()) return Fail(-xbase_status::NoTableInUse, "no table open");
  if (readOnly_) return Fail(-xbase_status::WriteFailed, path_ + " is open read-only");
  int rc = Commit();
  if (rc != 0) return rc;
  const std::string memoPath = SiblingPath(path_, "FPT");
  const std::string newTable = PackTempPath(path_);
  const std::string newMemo = PackTempPath(memoPath);
  auto fail = [&](int code, const std::string& what) {
    std::remove(newTable.c_str());
    std::remove(newMemo.c_str());
    return Fail(code, "cannot pack " + path_ + ": " + what);
  };

  // The header as it is, with the new record count patched in later.
  std::string header(dbf_.headerLength(), '\0');
  {
    PosixFile old;
    rc = old.open(path_, O_RDONLY);
    if (rc != 0 || old.readAt(0, header.data(), header.size()) != static_cast<int64_t>(header.size()))
      return fail(rc ? rc : -io_error::ReadFault, "cannot read its header");
  }
  PutToday(reinterpret_cast<unsigned char*>(header.data()) + dbf::kLastUpdate);
  PosixFile tableOut, memoOut;
  rc = tableOut.open(newTable, O_RDWR | O_CREAT | O_TRUNC);
  if (rc != 0) return fail(rc, std::string(IoErrorText(-rc)));
  const bool memo = dbf_.hasMemo() && memo_.isOpen();
  const uint16_t blockSize = memo ? memo_.blockSize() : fpt::kDefaultBlockSize;
  if (memo) {
    rc = memoOut.open(newMemo, O_RDWR | O_CREAT | O_TRUNC);
    if (rc != 0) return fail(rc, std::string(IoErrorText(-rc)));
  }
  Writer table(tableOut), memoWriter(memoOut);
  rc = table.Put(header.data(), header.size());
  std::string memoHeader((fpt::kHeaderSize + blockSize - 1) / blockSize * blockSize, '\0');
  if (memo) rc = rc ? rc : memoWriter.Put(memoHeader.data(), memoHeader.size());
  uint32_t kept = 0;
  std::string record, text;
  for (uint32_t r = 1; r <= RecCount() && rc == 0; ++r) {
    const char* data = RecordAt(r);
    if (!data) return fail(-xbase_status::RecordOutOfRange, "record " + std::to_string(r) + " cannot be read");
    if (data[0] == dbf::kDeletedMark) continue;
    record.assign(data, dbf_.recordLength());
    for (const FieldDef& f : fields()) {
      if (f.type != 'M') continue;
      uint32_t block = 0;
      // A damaged memo is dropped rather than copied; the row survives.
      if (memo && memo_.Read(MemoBlockFromField(record.data() + f.offset, f.length), text) == 0 && !text.empty()) {
        block = static_cast<uint32_t>(memoWriter.position() / blockSize);
        std::string blockData(fpt::kBlockHeaderSize, '\0');
        auto* h = reinterpret_cast<unsigned char*>(blockData.data());
        PutBe32(h + fpt::kBlockType, fpt::kTypeText);
        PutBe32(h + fpt::kBlockLength, static_cast<uint32_t>(text.size()));
        blockData += text;
        blockData.resize((blockData.size() + blockSize - 1) / blockSize * blockSize, '\0');
        rc = memoWriter.Put(blockData.data(), blockData.size());
      }
      MemoBlockToField(block, record.data() + f.offset, f.length);
    }
    if (rc == 0) rc = table.Put(record.data(), record.size());
    ++kept;
  }
  const char eof = static_cast<char>(dbf::kEndOfFile);
  if (rc == 0) rc = table.Put(&eof, 1);
  if (rc == 0) rc = table.Drain();
  if (rc == 0 && memo) rc = memoWriter.Drain();
  if (rc != 0) return fail(rc, std::string(IoErrorText(-rc)));
  unsigned char count[4];
  PutLe32(count, kept);
  rc = tableOut.writeAt(dbf::kRecordCount, count, sizeof count);
  if (rc == 0 && memo) {
    unsigned char h[8] = {};
    PutBe32(h + fpt::kNextFree, static_cast<uint32_t>(memoWriter.position() / blockSize));
    PutBe16(h + fpt::kBlockSize, blockSize);
    rc = memoOut.writeAt(0, h, sizeof h);
  }
  if (rc == 0) rc = tableOut.sync();
  if (rc == 0 && memo) rc = memoOut.sync();
  tableOut.close();
  memoOut.close();
  if (rc != 0) return fail(rc, std::string(IoErrorText(-rc)));
  rc = WriteFileAtomically(PackMarkerPath(path_), "packed", 6);
  if (rc != 0) return fail(rc, "cannot commit");

  // Committed: from here a crash is finished by RecoverInterruptedPack.
  std::vector<std::pair<std::string, std::pair<std::string, std::string>>> definitions;
  for (auto& tag : tags_)
    definitions.push_back({tag->name, {tag->key.text(), tag->condition.valid() ? tag->condition.text() : ""}});
  std::vector<bool> descending;
  for (auto& tag : tags_) descending.push_back(tag->descending);
  const bool hadIndex = indexAttached_;
  const int order = order_;
  const std::string filter = filterText_;
  memo_.Close();
  dbf_.Close();
  tags_.clear();
  indexChanged_ = false;
  if (memo && std::rename(newMemo.c_str(), memoPath.c_str()) != 0) rc = -IoErrorFromErrno(errno, true);
  if (rc == 0 && std::rename(newTable.c_str(), path_.c_str()) != 0) rc = -IoErrorFromErrno(errno, true);
  if (rc == 0) std::remove(PackMarkerPath(path_).c_str());
  if (hadIndex) std::remove(indexPath().c_str());
  const std::string path = path_;
  const int reopen = Open(path, exclusive_, false);
  if (rc != 0) return Fail(rc, "pack of " + path + " interrupted; finished at the next open");
  if (reopen != 0) return reopen;
  if (!hadIndex) CloseIndexes();
  for (size_t i = 0; i < definitions.size(); ++i) {
    const int built =
        IndexTag(definitions[i].first, definitions[i].second.first, descending[i], definitions[i].second.second);
    if (built < 0) return built;
  }
  SetFilter(filter);
  if (order > 0 && static_cast<size_t>(order) <= tags_.size()) SetOrder(order);
  else SetOrder(0);
  return GoTop();
}

}  // namespace telvane::xbase
