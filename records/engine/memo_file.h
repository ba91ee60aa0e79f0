#pragma once
// The FPT memo file. A memo is written into fresh blocks at the end (or
// over its old blocks when it fits there), and only then does the caller
// point the record at it, so a crash leaves the old text reachable.

#include <cstdint>
#include <string>

#include "platform/posix_file.h"

namespace telvane::xbase {

class MemoFile {
public:
  static int Create(const std::string& path, uint16_t blockSize);
  int Open(const std::string& path, bool readOnly, std::string& error);
  void Close() { file_.close(); }
  bool isOpen() const { return file_.isOpen(); }

  // Reads the memo at `block`; a block or length past the end of the file
  // is MemoDamaged, never an over-read.
  int Read(uint32_t block, std::string& out) const;
  // Stores `data` and returns its block in `block` (0 for empty data);
  // `oldBlock` is reused when the new text fits in its blocks.
  int Write(const std::string& data, uint32_t oldBlock, uint32_t& block);
  uint16_t blockSize() const { return blockSize_; }
  uint32_t nextFree() const { return nextFree_; }
  int64_t fileSize() const { return file_.size(); }

private:
  uint32_t BlocksFor(uint64_t length) const;
  PosixFile file_;
  uint16_t blockSize_ = 64;
  uint32_t nextFree_ = 0;
  bool readOnly_ = false;
};

// The block number in a memo field's bytes (10 ASCII digits, blank for none;
// or 4 binary bytes): 0 for none or unreadable.
uint32_t MemoBlockFromField(const char* field, uint8_t length);
void MemoBlockToField(uint32_t block, char* field, uint8_t length);

}  // namespace telvane::xbase
