#include "faximage/posix_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/io_errors.h"

namespace telvane {
namespace {
int Fail(bool writing) { return -IoErrorFromErrno(errno, writing); }
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
  fd_ = ::open(name.c_str(), flags | O_CLOEXEC, 0644);
  if (fd_ < 0) return Fail(mode == Mode::Create);
  struct stat st {};
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    close();
    return -io_error::AccessDenied;
  }
  return 0;
}

int PosixFile::close() {
  if (fd_ < 0) return 0;
  const int rc = ::close(std::exchange(fd_, -1));
  return rc == 0 ? 0 : Fail(true);
}

long PosixFile::read(void* data, size_t size) {
  if (fd_ < 0) return -io_error::FileNotOpen;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd_, static_cast<char*>(data) + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(false);
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<long>(done);
}

int PosixFile::readExact(void* data, size_t size) {
  const long n = read(data, size);
  if (n < 0) return static_cast<int>(n);
  return static_cast<size_t>(n) == size ? 0 : -io_error::ReadBeyondEnd;
}

int PosixFile::write(const void* data, size_t size) {
  if (fd_ < 0) return -io_error::FileNotOpen;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd_, static_cast<const char*>(data) + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(true);
    }
    done += static_cast<size_t>(n);
  }
  return 0;
}

int PosixFile::seek(uint64_t offset) {
  if (fd_ < 0) return -io_error::FileNotOpen;
  return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0 ? Fail(false) : 0;
}

int64_t PosixFile::position() {
  if (fd_ < 0) return -io_error::FileNotOpen;
  const off_t p = ::lseek(fd_, 0, SEEK_CUR);
  return p < 0 ? Fail(false) : p;
}

int64_t PosixFile::size() {
  if (fd_ < 0) return -io_error::FileNotOpen;
  struct stat st {};
  return ::fstat(fd_, &st) < 0 ? Fail(false) : st.st_size;
}

int PosixFile::truncate(uint64_t size) {
  if (fd_ < 0) return -io_error::FileNotOpen;
  return ::ftruncate(fd_, static_cast<off_t>(size)) < 0 ? Fail(true) : 0;
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
  const long n = f.read(out.data(), out.size());
  if (n < 0) return static_cast<int>(n);
  out.resize(static_cast<size_t>(n));
  return 0;
}

}  // namespace telvane
