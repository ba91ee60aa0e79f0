#include "fax/modem_trace.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace telvane {
namespace {
std::mutex& TraceLock() {
  static std::mutex lock;
  return lock;
}
std::shared_ptr<const ModemTraceListener>& Listener() {  // guarded by TraceLock()
  static std::shared_ptr<const ModemTraceListener> listener;
  return listener;
}
std::atomic<bool> installed{false};
}  // namespace

void SetModemTrace(ModemTraceListener listener) {
  std::lock_guard lock(TraceLock());
  installed = static_cast<bool>(listener);
  Listener() = listener ? std::make_shared<const ModemTraceListener>(std::move(listener)) : nullptr;
}

void ModemTrace(std::string_view line) {
  if (!installed.load()) return;
  std::shared_ptr<const ModemTraceListener> listener;
  {
    std::lock_guard lock(TraceLock());
    listener = Listener();
  }
  if (listener) (*listener)(line);
}

}  // namespace telvane
