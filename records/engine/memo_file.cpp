#include "records/engine/memo_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

#include "platform/io_errors.h"
#include "records/engine/byte_order.h"
#include "records/engine/dbf_layout.h"
#include "records/engine/xbase_status.h"

namespace telvane::xbase {

int MemoFile::Create(const std::string& path, uint16_t blockSize) {
  unsigned char header[fpt::kHeaderSize] = {};
  const uint32_t first = static_cast<uint32_t>((fpt::kHeaderSize + blockSize - 1) / blockSize);
  PutBe32(header + fpt::kNextFree, first);
  PutBe16(header + fpt::kBlockSize, blockSize);
  PosixFile f;
  int rc = f.open(path, O_RDWR | O_CREAT | O_TRUNC);
  if (rc == 0) rc = f.writeAt(0, header, sizeof header);
  return rc;
}

int MemoFile::Open(const std::string& path, bool readOnly, std::string& error) {
  readOnly_ = readOnly;
  int rc = file_.open(path, readOnly ? O_RDONLY : O_RDWR);
  if (rc != 0) {
    error = "cannot open the memo file " + path + ": " + std::string(IoErrorText(-rc));
    return rc;
  }
  unsigned char header[8];
  if (file_.readAt(0, header, sizeof header) != static_cast<int64_t>(sizeof header)) {
    file_.close();
    error = "the memo file " + path + " has no header";
    return -xbase_status::MemoDamaged;
  }
  nextFree_ = GetBe32(header + fpt::kNextFree);
  blockSize_ = GetBe16(header + fpt::kBlockSize);
  if (blockSize_ == 0) {
    file_.close();
    error = "the memo file " + path + " has a zero block size";
    return -xbase_status::MemoDamaged;
  }
  // A next-free pointer inside the header or past the end is repaired on
  // the next write rather than trusted.
  const int64_t size = file_.size();
  const uint64_t end = (static_cast<uint64_t>(size) + blockSize_ - 1) / blockSize_;
  const uint32_t minimum = static_cast<uint32_t>((fpt::kHeaderSize + blockSize_ - 1) / blockSize_);
  if (nextFree_ < minimum || nextFree_ < end) nextFree_ = static_cast<uint32_t>(std::max<uint64_t>(end, minimum));
  return 0;
}

uint32_t MemoFile::BlocksFor(uint64_t length) const {
  return static_cast<uint32_t>((length + fpt::kBlockHeaderSize + blockSize_ - 1) / blockSize_);
}

int MemoFile::Read(uint32_t block, std::string& out) const {
  out.clear();
  if (block == 0) return 0;
  const uint64_t at = static_cast<uint64_t>(block) * blockSize_;
  const int64_t size = file_.size();
  if (size < 0) return static_cast<int>(size);
  if (at < fpt::kHeaderSize || at + fpt::kBlockHeaderSize > static_cast<uint64_t>(size))
    return -xbase_status::MemoDamaged;
  unsigned char head[fpt::kBlockHeaderSize];
  if (file_.readAt(at, head, sizeof head) != static_cast<int64_t>(sizeof head)) return -xbase_status::MemoDamaged;
  const uint32_t length = GetBe32(head + fpt::kBlockLength);
  if (length > fpt::kMaxMemoLength || at + fpt::kBlockHeaderSize + length > static_cast<uint64_t>(size))
    return -xbase_status::MemoDamaged;
  out.resize(length);
  const int64_t got = file_.readAt(at + fpt::kBlockHeaderSize, out.data(), length);
  if (got != static_cast<int64_t>(length)) {
    out.clear();
    return -xbase_status::MemoDamaged;
  }
  return 0;
}

int MemoFile::Write(const std::string& data, uint32_t oldBlock, uint32_t& block) {
  block = 0;
  if (readOnly_) return -io_error::FileNotOpenForOutput;
  if (data.empty()) return 0;
  if (data.size() > fpt::kMaxMemoLength) return -xbase_status::WriteFailed;
  uint32_t target = 0;
  if (oldBlock != 0) {
    // Reuse the old blocks when the old memo is readable and the new text
    // needs no more of them.
    std::string old;
    if (Read(oldBlock, old) == 0 && BlocksFor(data.size()) <= BlocksFor(old.size())) target = oldBlock;
  }
  const bool append = target == 0;
  if (append) target = nextFree_;
  std::string buffer(fpt::kBlockHeaderSize, '\0');
  auto* h = reinterpret_cast<unsigned char*>(buffer.data());
  PutBe32(h + fpt::kBlockType, fpt::kTypeText);
  PutBe32(h + fpt::kBlockLength, static_cast<uint32_t>(data.size()));
  buffer += data;
  const uint32_t blocks = BlocksFor(data.size());
  buffer.resize(static_cast<size_t>(blocks) * blockSize_, '\0');
  int rc = file_.writeAt(static_cast<uint64_t>(target) * blockSize_, buffer.data(), buffer.size());
  if (rc != 0) return rc;
  if (append) {
    unsigned char next[4];
    PutBe32(next, target + blocks);
    rc = file_.writeAt(fpt::kNextFree, next, sizeof next);
    if (rc != 0) return rc;
    nextFree_ = target + blocks;
  }
  block = target;
  return 0;
}

uint32_t MemoBlockFromField(const char* field, uint8_t length) {
  if (length == 4) return GetLe32(reinterpret_cast<const unsigned char*>(field));
  uint64_t value = 0;
  bool digits = false;
  for (uint8_t i = 0; i < length; ++i) {
    const char c = field[i];
    if (c == ' ' || c == '\0') {
      if (digits) break;
      continue;
    }
    if (c < '0' || c > '9') return 0;
    digits = true;
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > 0xFFFFFFFFull) return 0;
  }
  return static_cast<uint32_t>(value);
}

void MemoBlockToField(uint32_t block, char* field, uint8_t length) {
  if (length == 4) {
    PutLe32(reinterpret_cast<unsigned char*>(field), block);
    return;
  }
  std::memset(field, ' ', length);
  if (block == 0) return;
  char digits[16];
  const int n = std::snprintf(digits, sizeof digits, "%u", block);
  if (n > 0 && n <= length) std::memcpy(field + (length - n), digits, static_cast<size_t>(n));
}

}  // namespace telvane::xbase
