#include "records/engine/posix_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/io_errors.h"

namespace telvane::xbase {

PosixFile::~PosixFile() { Close(); }

PosixFile::PosixFile(PosixFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

PosixFile& PosixFile::operator=(PosixFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

int PosixFile::Open(const std::string& path, int flags, int mode) {
  Close();
  fd_ = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  if (fd_ < 0) return -IoErrorFromErrno(errno, (flags & (O_WRONLY | O_RDWR)) != 0);
  struct stat st {};
  if (::fstat(fd_, &st) == 0 && !S_ISREG(st.st_mode)) {
    Close();
    return -io_error::AccessDenied;
  }
  return 0;
}

bool PosixFile::Lock(bool exclusive) { return fd_ >= 0 && ::flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0; }

void PosixFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

int64_t PosixFile::ReadAt(uint64_t offset, void* buffer, size_t size) const {
  if (fd_ < 0) return -io_error::FileNotOpen;
  size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < size) {
    const ssize_t n = ::pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -IoErrorFromErrno(errno, false);
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

int PosixFile::WriteAt(uint64_t offset, const void* buffer, size_t size) {
  if (fd_ < 0) return -io_error::FileNotOpen;
  size_t done = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (done < size) {
    const ssize_t n = ::pwrite(fd_, in + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -IoErrorFromErrno(errno, true);
    }
    done += static_cast<size_t>(n);
  }
  return 0;
}

int64_t PosixFile::Size() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -io_error::ReadFault;
  return st.st_size;
}

int PosixFile::Truncate(uint64_t size) {
  return ::ftruncate(fd_, static_cast<off_t>(size)) == 0 ? 0 : -IoErrorFromErrno(errno, true);
}

int PosixFile::Sync() { return ::fdatasync(fd_) == 0 ? 0 : -IoErrorFromErrno(errno, true); }

MappedFile::~MappedFile() { Unmap(); }

int MappedFile::Map(const std::string& path) {
  Unmap();
  PosixFile file;
  int rc = file.Open(path, O_RDONLY);
  if (rc != 0) return rc;
  const int64_t size = file.Size();
  if (size < 0) return static_cast<int>(size);
  if (size == 0) return 0;
  // The descriptor of PosixFile is private; map through a second one.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -IoErrorFromErrno(errno, false);
  void* data = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  if (data == MAP_FAILED) return -IoErrorFromErrno(errno, false);
  data_ = data;
  size_ = static_cast<size_t>(size);
  return 0;
}

void MappedFile::Unmap() {
  if (data_) ::munmap(data_, size_);
  data_ = nullptr;
  size_ = 0;
}

int WriteFileAtomically(const std::string& path, const void* data, size_t size) {
  const std::string temp = path + ".tmp";
  PosixFile f;
  int rc = f.Open(temp, O_RDWR | O_CREAT | O_TRUNC);
  if (rc != 0) return rc;
  rc = f.WriteAt(0, data, size);
  if (rc == 0) rc = f.Sync();
  f.Close();
  if (rc == 0 && std::rename(temp.c_str(), path.c_str()) != 0) rc = -IoErrorFromErrno(errno, true);
  if (rc != 0) std::remove(temp.c_str());
  return rc;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace telvane::xbase
