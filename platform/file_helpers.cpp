#include "platform/file_helpers.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/io_errors.h"

namespace telvane {

MappedFile::~MappedFile() { unmap(); }

int MappedFile::map(const std::string& path) {
  unmap();
  PosixFile file;
  if (int rc = file.open(path, O_RDONLY); rc != 0) return rc;
  const int64_t size = file.size();
  if (size < 0) return static_cast<int>(size);
  if (size == 0) return 0;  // mmap refuses a length of 0
  // The mapping keeps the pages after the descriptor is closed.
  void* data = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, file.fd_, 0);
  if (data == MAP_FAILED) return -IoErrorFromErrno(errno, false);
  data_ = data;
  size_ = static_cast<size_t>(size);
  return 0;
}

void MappedFile::unmap() {
  if (data_) ::munmap(data_, size_);
  data_ = nullptr;
  size_ = 0;
}

int WriteFileAtomically(const std::string& path, const void* data, size_t size) {
  const std::string temp = path + ".tmp";
  PosixFile f;
  int rc = f.open(temp, O_RDWR | O_CREAT | O_TRUNC);
  if (rc != 0) return rc;
  rc = f.writeAt(0, data, size);
  if (rc == 0) rc = f.sync();
  f.close();
  if (rc == 0 && std::rename(temp.c_str(), path.c_str()) != 0) rc = -IoErrorFromErrno(errno, true);
  if (rc != 0) std::remove(temp.c_str());
  return rc;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int BufferedWriter::write(const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  if (fill_ + size <= kBufferSize - 1) {
    std::memcpy(buffer_ + fill_, p, size);
    fill_ += size;
    return 0;
  }
  const size_t top = kBufferSize - fill_;
  std::memcpy(buffer_ + fill_, p, top);
  if (int rc = file_.write(buffer_, kBufferSize); rc < 0) return rc;
  filePos_ += kBufferSize;
  p += top;
  size -= top;
  const size_t direct = size / kBufferSize * kBufferSize;
  if (direct > 0) {
    if (int rc = file_.write(p, direct); rc < 0) return rc;
    filePos_ += direct;
    p += direct;
    size -= direct;
  }
  std::memcpy(buffer_, p, size);
  fill_ = size;
  return 0;
}

int BufferedWriter::flush() {
  if (fill_ == 0) return 0;
  if (int rc = file_.write(buffer_, fill_); rc < 0) return rc;
  filePos_ += fill_;
  fill_ = 0;
  return 0;
}

int BufferedWriter::seek(uint64_t offset) {
  if (int rc = flush(); rc < 0) return rc;
  if (int rc = file_.seek(offset); rc < 0) return rc;
  filePos_ = offset;
  return 0;
}

int ReadWholeFile(const std::string& name, std::string& out, uint64_t maxSize) {
  PosixFile f;
  if (int rc = f.open(name, PosixFile::Mode::Read); rc < 0) return rc;
  const int64_t size = f.size();
  if (size < 0) return static_cast<int>(size);
  if (static_cast<uint64_t>(size) > maxSize) return -io_error::NotEnoughMemory;
  out.resize(static_cast<size_t>(size));
  const int64_t n = f.read(out.data(), out.size());
  if (n < 0) return static_cast<int>(n);
  out.resize(static_cast<size_t>(n));
  return 0;
}

}  // namespace telvane
