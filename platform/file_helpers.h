#pragma once
// Whole-file helpers over PosixFile: a read-only mapping, atomic
// replacement, a buffered sequential writer and a bounded whole-file read.
// Errors are negated runtime file error numbers (platform/io_errors.h).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/posix_file.h"

namespace telvane {

// A read-only mapping of a whole regular file, for the table index: its
// pages are read as the tags that use them are first needed. The engine
// replaces index files by rename, so a mapped file is never truncated under it.
class MappedFile {
public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  // 0 or a negated file error; an empty file maps to no bytes.
  int map(const std::string& path);
  void unmap();
  std::string_view bytes() const { return {static_cast<const char*>(data_), size_}; }
  bool empty() const { return size_ == 0; }

private:
  void* data_ = nullptr;
  size_t size_ = 0;
};

// Writes `data` to path + ".tmp", syncs it and renames it over `path`, so a
// crash leaves either the old file or the new one; on failure the temporary
// file is removed and `path` is untouched.
int WriteFileAtomically(const std::string& path, const void* data, size_t size);
// True for an existing regular file.
bool FileExists(const std::string& path);

// Writes through a 4096-byte buffer in front of the file: a write that still
// fits (fill + size <= 4095) is only copied; otherwise the buffer is topped up
// and written, whole 4096-byte blocks go straight to the file and the rest
// stays buffered. A seek flushes first.
class BufferedWriter {
public:
  static constexpr size_t kBufferSize = 4096;

  explicit BufferedWriter(PosixFile& file) : file_(file) {}
  int write(const void* data, size_t size);
  int flush();
  int seek(uint64_t offset);
  uint64_t position() const { return filePos_ + fill_; }
  void reset(uint64_t filePos) {
    filePos_ = filePos;
    fill_ = 0;
  }

private:
  PosixFile& file_;
  uint8_t buffer_[kBufferSize];
  size_t fill_ = 0;
  uint64_t filePos_ = 0;
};

// Reads a whole file into memory, refusing files over `maxSize` bytes with
// -8 ("not enough memory").
int ReadWholeFile(const std::string& name, std::string& out, uint64_t maxSize);

}  // namespace telvane
