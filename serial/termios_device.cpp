#include "serial/termios_device.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/uio.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "platform/io_errors.h"
#include "serial/status_codes.h"

namespace telvane {
namespace {

struct BaudRow {
  int32_t baud;
  speed_t speed;
};

constexpr BaudRow kBauds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

bool SpeedFor(int32_t baud, speed_t& speed) {
  for (const BaudRow& row : kBauds)
    if (row.baud == baud) {
      speed = row.speed;
      return true;
    }
  return false;
}

int32_t BaudFor(speed_t speed) {
  for (const BaudRow& row : kBauds)
    if (row.speed == speed) return row.baud;
  return 0;
}

// Open failures in the codes the com port maps to its exceptions.
int OpenError(int e) {
  switch (e) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR: return ecFileNotFound;
    case EBUSY:
    case EWOULDBLOCK:
    case EACCES:
    case EPERM: return ecAccessDenied;
    default: return -IoErrorFromErrno(e, false);
  }
}

// What a driver without modem lines (a pty) answers to TIOCMGET/TIOCMSET.
bool NoModemLines(int e) { return e == ENOTTY || e == EINVAL; }

}  // namespace

uint32_t ErrorBitsFromCounts(const LineErrorCounts& before, const LineErrorCounts& after) {
  uint32_t bits = 0;
  if (after.bufferOverrun != before.bufferOverrun) bits |= ceRxOver;
  if (after.overrun != before.overrun) bits |= ceOverrun;
  if (after.parity != before.parity) bits |= ceRxParity;
  if (after.frame != before.frame) bits |= ceFrame;
  if (after.brk != before.brk) bits |= ceBreak;
  return bits;
}

bool BaudSupported(int32_t baud) {
  speed_t speed;
  return SpeedFor(baud, speed);
}

TermiosDevice::~TermiosDevice() { close(); }

int TermiosDevice::open(const std::string& path) {
  close();
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return OpenError(errno);
  if (!::isatty(fd)) {
    ::close(fd);
    return ecFileNotFound;  // not a serial device: as good as missing
  }
  // flock keeps a second opener out even when it runs as root (TIOCEXCL
  // alone does not stop a privileged process).
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int e = errno;
    ::close(fd);
    return OpenError(e == EWOULDBLOCK ? EBUSY : e);
  }
  ::ioctl(fd, TIOCEXCL);
  const int wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  const int inputWake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake < 0 || inputWake < 0) {
    if (wake >= 0) ::close(wake);
    if (inputWake >= 0) ::close(inputWake);
    ::close(fd);
    return ecOutOfMemory;
  }
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) {
    const int e = errno;
    ::close(wake);
    ::close(inputWake);
    ::close(fd);
    return OpenError(e);
  }
  ::cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  ::tcsetattr(fd, TCSANOW, &tio);
  fd_ = fd;
  wakeFd_ = wake;
  inputWakeFd_ = inputWake;
  lost_ = false;
  int lines = 0;
  hasModemLines_ = ::ioctl(fd_, TIOCMGET, &lines) == 0;
  serial_icounter_struct counter{};
  hasCounters_ = ::ioctl(fd_, TIOCGICOUNT, &counter) == 0;
  std::lock_guard lock(countsLock_);
  if (hasCounters_)
    counts_ = LineErrorCounts{static_cast<uint32_t>(counter.frame), static_cast<uint32_t>(counter.overrun),
                              static_cast<uint32_t>(counter.parity), static_cast<uint32_t>(counter.brk),
                              static_cast<uint32_t>(counter.buf_overrun)};
  return 0;
}

void TermiosDevice::close() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
  if (wakeFd_ >= 0) ::close(wakeFd_);
  if (inputWakeFd_ >= 0) ::close(inputWakeFd_);
  fd_ = wakeFd_ = inputWakeFd_ = -1;
}

int TermiosDevice::getControl(DeviceControlBlock& dcb) const {
  termios tio{};
  if (fd_ < 0 || ::tcgetattr(fd_, &tio) != 0) return -1;
  dcb.baud = BaudFor(::cfgetospeed(&tio));
  switch (tio.c_cflag & CSIZE) {
    case CS5: dcb.dataBits = 5; break;
    case CS6: dcb.dataBits = 6; break;
    case CS7: dcb.dataBits = 7; break;
    default: dcb.dataBits = 8; break;
  }
  if (!(tio.c_cflag & PARENB))
    dcb.parity = pvNone;
  else if (tio.c_cflag & CMSPAR)
    dcb.parity = (tio.c_cflag & PARODD) ? pvMark : pvSpace;
  else
    dcb.parity = (tio.c_cflag & PARODD) ? pvOdd : pvEven;
  if (!(tio.c_cflag & CSTOPB))
    dcb.stopBits = sbOne;
  else if (dcb.stopBits == sbOne)
    dcb.stopBits = sbTwo;  // termios cannot tell 1.5 from 2; keep what was asked
  dcb.outX = (tio.c_iflag & IXON) != 0;
  dcb.xonChar = tio.c_cc[VSTART];
  dcb.xoffChar = tio.c_cc[VSTOP];
  return 0;
}

int TermiosDevice::setControl(const DeviceControlBlock& dcb) {
  if (fd_ < 0) return -io_error::InvalidHandle;
  speed_t speed;
  if (!SpeedFor(dcb.baud, speed)) return ecBaudRate;
  if (dcb.dataBits < 5 || dcb.dataBits > 8) return ecByteSize;
  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0) return -IoErrorFromErrno(errno, true);
  ::cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  ::cfsetispeed(&tio, speed);
  ::cfsetospeed(&tio, speed);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  tio.c_cflag |= kSizes[dcb.dataBits - 5];
  switch (dcb.parity) {
    case pvOdd: tio.c_cflag |= PARENB | PARODD; break;
    case pvEven: tio.c_cflag |= PARENB; break;
    case pvMark: tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case pvSpace: tio.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  // termios has no 1.5 stop bits; a UART given two stop bits with a 5-bit
  // character sends 1.5.
  if (dcb.stopBits != sbOne) tio.c_cflag |= CSTOPB;
  // The driver's RTS/CTS handshake covers both directions at once.
  if (dcb.outxCtsFlow || dcb.rtsControl == LineControl::Handshake) tio.c_cflag |= CRTSCTS;
  // XOn/XOff on output is the line discipline's; XOn/XOff on input is sent
  // by the dispatcher at its own thresholds.
  if (dcb.outX) tio.c_iflag |= IXON;
  tio.c_cc[VSTART] = dcb.xonChar;
  tio.c_cc[VSTOP] = dcb.xoffChar;
  if (::tcsetattr(fd_, TCSANOW, &tio) == 0) return 0;
  const int e = errno;
  // A pseudo-terminal has no framing: it refuses parity and keeps 8 data
  // bits. Like its modem lines, the settings it cannot have are taken as
  // made; the caller keeps what it asked for.
  if (e == EINVAL && !hasModemLines_) {
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR);
    tio.c_cflag |= CS8;
    if (::tcsetattr(fd_, TCSANOW, &tio) == 0) return 0;
  }
  return -IoErrorFromErrno(e, true);
}

int TermiosDevice::read(uint8_t* buffer, size_t n) {
  if (fd_ < 0) return -io_error::InvalidHandle;
  if (n == 0) return 0;
  const ssize_t got = ::read(fd_, buffer, n);
  if (got >= 0) return static_cast<int>(got);
  if (errno == EAGAIN || errno == EINTR) return 0;
  return -IoErrorFromErrno(errno, false);
}

int TermiosDevice::read(std::span<uint8_t> first, std::span<uint8_t> second) {
  if (second.empty()) return read(first.data(), first.size());
  if (fd_ < 0) return -io_error::InvalidHandle;
  iovec parts[2] = {{first.data(), first.size()}, {second.data(), second.size()}};
  const ssize_t got = ::readv(fd_, parts, 2);
  if (got >= 0) return static_cast<int>(got);
  if (errno == EAGAIN || errno == EINTR) return 0;
  return -IoErrorFromErrno(errno, false);
}

int TermiosDevice::write(const uint8_t* data, size_t n) {
  if (fd_ < 0) return -io_error::InvalidHandle;
  if (n == 0) return 0;
  const ssize_t put = ::write(fd_, data, n);
  if (put >= 0) return static_cast<int>(put);
  if (errno == EAGAIN || errno == EINTR) return 0;
  return -IoErrorFromErrno(errno, true);
}

namespace {
uint32_t WaitDeviceOrWake(int fd, bool watchInput, int wakeFd, int timeoutMs, std::atomic<bool>& lost) {
  // A lost device reports POLLHUP however it is asked: leave it out.
  pollfd fds[2] = {{lost.load() ? -1 : fd, static_cast<short>(watchInput ? POLLIN : 0), 0}, {wakeFd, POLLIN, 0}};
  const int n = ::poll(fds, 2, timeoutMs);
  if (n <= 0) return 0;
  uint32_t woken = 0;
  if (fds[1].revents & POLLIN) {
    // One read takes the whole count of an eventfd and resets it.
    uint64_t drained;
    [[maybe_unused]] ssize_t ignored = ::read(wakeFd, &drained, sizeof drained);
    woken = evWokenUp;
  }
  if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
    lost = true;
    return evDeviceLost | woken;
  }
  if (fds[0].revents & POLLIN) return evRxChar | woken;
  return woken;
}

void Wake(int fd) {
  if (fd < 0) return;
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t ignored = ::write(fd, &one, sizeof one);
}
}  // namespace

uint32_t TermiosDevice::waitEvent(bool watchInput, int timeoutMs) {
  return WaitDeviceOrWake(fd_, watchInput, wakeFd_, timeoutMs, lost_);
}

uint32_t TermiosDevice::waitInput(bool watchInput, int timeoutMs) {
  return WaitDeviceOrWake(fd_, watchInput, inputWakeFd_, timeoutMs, lost_);
}

void TermiosDevice::cancelWait() { Wake(wakeFd_); }

void TermiosDevice::wakeInputWait() { Wake(inputWakeFd_); }

bool TermiosDevice::waitWritable(int timeoutMs) {
  pollfd fd{fd_, POLLOUT, 0};
  return ::poll(&fd, 1, timeoutMs) > 0 && (fd.revents & POLLOUT);
}

int TermiosDevice::inputQueued() const {
  int n = 0;
  return fd_ >= 0 && ::ioctl(fd_, FIONREAD, &n) == 0 ? n : 0;
}

int TermiosDevice::outputQueued() const {
  int n = 0;
  return fd_ >= 0 && ::ioctl(fd_, TIOCOUTQ, &n) == 0 ? n : 0;
}

uint8_t TermiosDevice::modemLines() {
  constexpr uint8_t kFixedLines = msCTS | msDSR | msDCD;
  if (!hasModemLines_ || fd_ < 0) return kFixedLines;
  int lines = 0;
  if (::ioctl(fd_, TIOCMGET, &lines) != 0) {
    if (NoModemLines(errno)) hasModemLines_ = false;
    return kFixedLines;
  }
  uint8_t status = 0;
  if (lines & TIOCM_CTS) status |= msCTS;
  if (lines & TIOCM_DSR) status |= msDSR;
  if (lines & TIOCM_RI) status |= msRI;
  if (lines & TIOCM_CD) status |= msDCD;
  return status;
}

namespace {
int SetLine(int fd, bool hasLines, int line, bool on) {
  if (fd < 0) return -io_error::InvalidHandle;
  if (!hasLines) return 0;  // a pty: nothing to drive
  if (::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0 || NoModemLines(errno)) return 0;
  return -IoErrorFromErrno(errno, true);
}
}  // namespace

int TermiosDevice::setDtr(bool on) { return SetLine(fd_, hasModemLines_, TIOCM_DTR, on); }
int TermiosDevice::setRts(bool on) { return SetLine(fd_, hasModemLines_, TIOCM_RTS, on); }

int TermiosDevice::setBreak(bool on) {
  if (fd_ < 0) return -io_error::InvalidHandle;
  ::ioctl(fd_, on ? TIOCSBRK : TIOCCBRK);
  return 0;
}

int TermiosDevice::purgeInput() {
  if (fd_ < 0) return -io_error::InvalidHandle;
  return ::tcflush(fd_, TCIFLUSH) == 0 ? 0 : -IoErrorFromErrno(errno, false);
}

int TermiosDevice::purgeOutput() {
  if (fd_ < 0) return -io_error::InvalidHandle;
  return ::tcflush(fd_, TCOFLUSH) == 0 ? 0 : -IoErrorFromErrno(errno, true);
}

uint32_t TermiosDevice::takeErrors() {
  if (!hasCounters_ || fd_ < 0) return 0;
  std::lock_guard lock(countsLock_);
  serial_icounter_struct counter{};
  if (::ioctl(fd_, TIOCGICOUNT, &counter) != 0) {
    hasCounters_ = false;
    return 0;
  }
  const LineErrorCounts now{static_cast<uint32_t>(counter.frame), static_cast<uint32_t>(counter.overrun),
                            static_cast<uint32_t>(counter.parity), static_cast<uint32_t>(counter.brk),
                            static_cast<uint32_t>(counter.buf_overrun)};
  const uint32_t bits = ErrorBitsFromCounts(counts_, now);
  counts_ = now;
  return bits;
}

}  // namespace telvane
