#include "platform/pending_messages.h"

#include "platform/ui_queue.h"

namespace telvane {
namespace {
std::function<void()>& hook() {
  static std::function<void()> h;
  return h;
}
}  // namespace

void SetPendingMessagesHook(std::function<void()> h) { hook() = std::move(h); }

void ProcessPendingMessages() {
  if (hook())
    hook()();
  else
    UiQueue().drain();
}

}  // namespace telvane
