#pragma once
// "Let pending window messages run": long operations in the cores call
// ProcessPendingMessages() at fixed points so the windows stay alive. The
// program installs a hook that runs the Qt event loop once; without one the
// call only drains the UI message queue.

#include <functional>

namespace telvane {

void SetPendingMessagesHook(std::function<void()> hook);
void ProcessPendingMessages();

// A request to end the program (the user closed the last window). The main
// loop acts on it by itself; long operations that let messages run take it
// to stop early. Thread-safe.
void PostQuitRequest();
// True once after each request.
bool TakeQuitRequest();

// Set once the program has begun to close: waits for a modem's answer end
// early instead of holding the closing program.
void SetApplicationClosing(bool closing);
bool ApplicationClosing();

}  // namespace telvane
