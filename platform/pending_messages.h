#pragma once
// "Let pending window messages run": long operations in the cores call
// ProcessPendingMessages() at fixed points so the windows stay alive. The
// program installs a hook that runs the Qt event loop once; without one the
// call only drains the UI message queue.

#include <functional>

namespace telvane {

void SetPendingMessagesHook(std::function<void()> hook);
void ProcessPendingMessages();

}  // namespace telvane
