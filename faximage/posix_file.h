#pragma once
// A plain POSIX file handle for the image cores. Every failure comes back as
// a negated runtime file error number (platform/io_errors.h), so callers pass
// it on unchanged. Reads that find fewer bytes than asked report how many.

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

  // 0 or a negated runtime file error; an empty name is -2.
  int open(const std::string& name, Mode mode);
  int close();
  bool isOpen() const { return fd_ >= 0; }

  // Reads up to `size` bytes; returns the count (0 at the end) or an error.
  long read(void* data, size_t size);
  // Reads exactly `size` bytes; a short read is -100 ("read beyond end").
  int readExact(void* data, size_t size);
  int write(const void* data, size_t size);
  int seek(uint64_t offset);
  // The current position, or a negative error.
  int64_t position();
  int64_t size();
  int truncate(uint64_t size);

private:
  int fd_ = -1;
};

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
