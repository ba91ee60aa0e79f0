#include "platform/pending_messages.h"

#include <atomic>

#include <atomic>

#include "platform/ui_queue.h"

namespace telvane {
namespace {
std::atomic<bool> quitRequested{false};

std::function<void()>& hook() {
  static std::function<void()> h;
  return h;
}
std::atomic<bool> closing{false};
}  // namespace

void SetApplicationClosing(bool value) { closing = value; }
bool ApplicationClosing() { return closing; }

void SetPendingMessagesHook(std::function<void()> h) { hook() = std::move(h); }

void ProcessPendingMessages() {
  if (hook())
    hook()();
  else
    UiQueue().drain();
}

void PostQuitRequest() { quitRequested = true; }

bool TakeQuitRequest() { return quitRequested.exchange(false); }

}  // namespace telvane
