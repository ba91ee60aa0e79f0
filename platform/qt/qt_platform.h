#pragma once
// Connects the platform layer to a running QApplication: real message
// boxes, pending messages that run the event loop, and the UI message queue
// drained on the event loop's thread.

namespace telvane {

// Call once on the UI thread after the QApplication exists.
void InstallQtPlatform();

}  // namespace telvane
