#pragma once
// A plain POSIX file handle for the cores: positional reads and writes for
// the table engine, and stream reads and writes at the file position for the
// image cores, on one descriptor. Every failure comes back as a negated
// runtime file error number (platform/io_errors.h), so callers pass it on
// unchanged; any operation on a closed handle is -103 ("File not open").

#include <cstddef>
#include <cstdint>
#include <string>

namespace telvane {

class PosixFile {
public:
  enum class Mode { Read, ReadWrite, Create };

  PosixFile() = default;
  ~PosixFile();
  PosixFile(PosixFile&& other) noexcept;
  PosixFile& operator=(PosixFile&& other) noexcept;
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  // For files a user names (images to read, exports to write): an empty name
  // is -2 and a directory is -5; devices and pipes are accepted.
  int open(const std::string& name, Mode mode);
  // `flags` as for open(2). Only a regular file is accepted (-5 otherwise): a
  // table path that names a device or a pipe must never be read as records.
  int open(const std::string& path, int flags, int permissions = 0644);
  // Takes an advisory whole-file lock, exclusive or shared, never waiting.
  bool lock(bool exclusive);
  int close();
  bool isOpen() const { return fd_ >= 0; }

  // Positional: neither moves the stream position.
  // Reads up to `size` bytes at `offset`; returns the count (short at the end).
  int64_t readAt(uint64_t offset, void* data, size_t size) const;
  // Writes all of `size` bytes at `offset`; 0 or an error.
  int writeAt(uint64_t offset, const void* data, size_t size);

  // Stream: at the file position, which they advance.
  // Reads up to `size` bytes; returns the count (0 at the end) or an error.
  int64_t read(void* data, size_t size);
  // Reads exactly `size` bytes; a short read is -100 ("read beyond end").
  int readExact(void* data, size_t size);
  int write(const void* data, size_t size);
  int seek(uint64_t offset);
  // The current position, or a negative error.
  int64_t position() const;

  int64_t size() const;
  int truncate(uint64_t size);
  // Flushes the file's data (not its times) to the disk.
  int sync();

private:
  friend class MappedFile;  // maps through the descriptor it opened
  int openChecked(const std::string& path, int flags, int permissions, bool writing, bool regularOnly);

  int fd_ = -1;
};

}  // namespace telvane
