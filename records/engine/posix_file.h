#pragma once
// A file descriptor with whole-buffer positional reads and writes; errors
// come back as negated runtime file error numbers (platform/io_errors.h).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace telvane::xbase {

class PosixFile {
public:
  PosixFile() = default;
  ~PosixFile();
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;
  PosixFile(PosixFile&& other) noexcept;
  PosixFile& operator=(PosixFile&& other) noexcept;

  // flags as for open(2). Returns 0 or a negated file error.
  int Open(const std::string& path, int flags, int mode = 0644);
  // Takes an advisory whole-file lock: exclusive or shared, never waiting.
  bool Lock(bool exclusive);
  void Close();
  bool isOpen() const { return fd_ >= 0; }

  // Reads up to `size` bytes at `offset`; returns the count read (short at
  // the end of the file) or a negated file error.
  int64_t ReadAt(uint64_t offset, void* buffer, size_t size) const;
  // Writes all of `size` bytes at `offset`; 0 or a negated file error.
  int WriteAt(uint64_t offset, const void* buffer, size_t size);
  int64_t Size() const;
  int Truncate(uint64_t size);
  int Sync();

private:
  int fd_ = -1;
};

// A read-only mapping of a whole file, for the index: its pages are read
// as the tags that use them are first needed. The engine replaces index
// files by rename, so a mapped file is never truncated under it.
class MappedFile {
public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  // 0 or a negated file error.
  int Map(const std::string& path);
  void Unmap();
  std::string_view bytes() const { return {static_cast<const char*>(data_), size_}; }
  bool empty() const { return size_ == 0; }

private:
  void* data_ = nullptr;
  size_t size_ = 0;
};

// Whole-file helpers for the small files the engine replaces atomically.
// Writes `data` to path + ".tmp", syncs it and renames it over `path`.
int WriteFileAtomically(const std::string& path, const void* data, size_t size);
bool FileExists(const std::string& path);

}  // namespace telvane::xbase
