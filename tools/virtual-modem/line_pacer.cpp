#include "tools/virtual-modem/line_pacer.h"

namespace telvane::vmodem {

LinePacer::LinePacer(std::chrono::microseconds blockTime, double speed)
    : step_(std::chrono::nanoseconds(static_cast<long long>(
          static_cast<double>(std::chrono::nanoseconds(blockTime).count()) / speed))),
      next_(Clock::now()) {}

int LinePacer::millisecondsToNextBlock() const {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next_ - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

void LinePacer::blockDone() {
  next_ += step_;
  const auto now = Clock::now();
  if (now - next_ > std::chrono::milliseconds(500)) next_ = now;
}

}  // namespace telvane::vmodem
