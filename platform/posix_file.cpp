#include "platform/posix_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <utility>

#include "platform/io_errors.h"

namespace telvane {
namespace {

int Fail(bool writing) { return -IoErrorFromErrno(errno, writing); }

// One loop for both kinds of read: pread at `at`, or read at the file
// position without it. Stops early only at the end of the file.
int64_t ReadFully(int fd, char* out, size_t size, std::optional<uint64_t> at) {
  if (fd < 0) return -io_error::FileNotOpen;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = at ? ::pread(fd, out + done, size - done, static_cast<off_t>(*at + done))
                         : ::read(fd, out + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(false);
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

int WriteFully(int fd, const char* in, size_t size, std::optional<uint64_t> at) {
  if (fd < 0) return -io_error::FileNotOpen;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = at ? ::pwrite(fd, in + done, size - done, static_cast<off_t>(*at + done))
                         : ::write(fd, in + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(true);
    }
    done += static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace

PosixFile::~PosixFile() { close(); }

PosixFile::PosixFile(PosixFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

PosixFile& PosixFile::operator=(PosixFile&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

int PosixFile::open(const std::string& name, Mode mode) {
  close();
  if (name.empty()) return -io_error::FileNotFound;
  int flags = O_RDONLY;
  if (mode == Mode::ReadWrite) flags = O_RDWR;
  if (mode == Mode::Create) flags = O_RDWR | O_CREAT | O_TRUNC;
  return openChecked(name, flags, 0644, mode == Mode::Create, false);
}

int PosixFile::open(const std::string& path, int flags, int permissions) {
  close();
  return openChecked(path, flags, permissions, (flags & (O_WRONLY | O_RDWR)) != 0, true);
}

int PosixFile::openChecked(const std::string& path, int flags, int permissions, bool writing, bool regularOnly) {
  // O_NONBLOCK so that a pipe with no writer is refused below instead of
  // holding the open forever; it is cleared again once the file is known to
  // be regular.
  const int extra = O_CLOEXEC | (regularOnly ? O_NONBLOCK : 0);
  fd_ = ::open(path.c_str(), flags | extra, permissions);
  if (fd_ < 0) return Fail(writing);
  struct stat st {};
  if (::fstat(fd_, &st) == 0 && (regularOnly ? !S_ISREG(st.st_mode) : S_ISDIR(st.st_mode))) {
    close();
    return -io_error::AccessDenied;
  }
  if (regularOnly) {
    const int status = ::fcntl(fd_, F_GETFL);
    if (status < 0 || ::fcntl(fd_, F_SETFL, status & ~O_NONBLOCK) != 0) {
      const int rc = Fail(writing);
      close();
      return rc;
    }
  }
  return 0;
}

bool PosixFile::lock(bool exclusive) {
  return fd_ >= 0 && ::flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0;
}

int PosixFile::close() {
  if (fd_ < 0) return 0;
  return ::close(std::exchange(fd_, -1)) == 0 ? 0 : Fail(true);
}

int64_t PosixFile::readAt(uint64_t offset, void* data, size_t size) const {
  return ReadFully(fd_, static_cast<char*>(data), size, offset);
}

int PosixFile::writeAt(uint64_t offset, const void* data, size_t size) {
  return WriteFully(fd_, static_cast<const char*>(data), size, offset);
}

int64_t PosixFile::read(void* data, size_t size) {
  return ReadFully(fd_, static_cast<char*>(data), size, std::nullopt);
}

int PosixFile::readExact(void* data, size_t size) {
  const int64_t n = read(data, size);
  if (n < 0) return static_cast<int>(n);
  return static_cast<size_t>(n) == size ? 0 : -io_error::ReadBeyondEnd;
}

int PosixFile::write(const void* data, size_t size) {
  return WriteFully(fd_, static_cast<const char*>(data), size, std::nullopt);
}

int PosixFile::seek(uint64_t offset) {
  if (fd_ < 0) return -io_error::FileNotOpen;
  return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0 ? Fail(false) : 0;
}

int64_t PosixFile::position() const {
  if (fd_ < 0) return -io_error::FileNotOpen;
  const off_t p = ::lseek(fd_, 0, SEEK_CUR);
  return p < 0 ? Fail(false) : p;
}

int64_t PosixFile::size() const {
  if (fd_ < 0) return -io_error::FileNotOpen;
  struct stat st {};
  return ::fstat(fd_, &st) < 0 ? Fail(false) : st.st_size;
}

int PosixFile::truncate(uint64_t size) {
  if (fd_ < 0) return -io_error::FileNotOpen;
  return ::ftruncate(fd_, static_cast<off_t>(size)) < 0 ? Fail(true) : 0;
}

int PosixFile::sync() {
  if (fd_ < 0) return -io_error::FileNotOpen;
  return ::fdatasync(fd_) < 0 ? Fail(true) : 0;
}

}  // namespace telvane
