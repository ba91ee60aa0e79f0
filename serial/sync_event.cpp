#include "serial/sync_event.h"

namespace telvane {

void EventSet::signal(int event) {
  {
    std::lock_guard lock(mutex_);
    signalled_ |= 1u << event;
  }
  changed_.notify_all();
}

void EventSet::reset(int event) {
  std::lock_guard lock(mutex_);
  signalled_ &= ~(1u << event);
}

void EventSet::resetAll() {
  std::lock_guard lock(mutex_);
  signalled_ = 0;
}

int EventSet::waitAny(uint32_t mask, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  auto ready = [&] { return (signalled_ & mask) != 0; };
  if (timeout.count() < 0)
    changed_.wait(lock, ready);
  else if (!changed_.wait_for(lock, timeout, ready))
    return -1;
  const uint32_t hit = signalled_ & mask;
  const int event = __builtin_ctz(hit);
  if (!(manualReset_ & (1u << event))) signalled_ &= ~(1u << event);
  return event;
}

bool EventSet::test(int event) {
  std::lock_guard lock(mutex_);
  if (!(signalled_ & (1u << event))) return false;
  if (!(manualReset_ & (1u << event))) signalled_ &= ~(1u << event);
  return true;
}

}  // namespace telvane
