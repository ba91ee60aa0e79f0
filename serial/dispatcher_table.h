#pragma once
// The process-wide table of live dispatchers. A dispatcher's handle is its
// slot: a new one takes the first empty slot (or is appended). The handle
// travels in the high 16 bits of every trigger message, so a receiver can
// tell which port a message is about.

namespace telvane {

class TKovaBaseDispatcher;

int RegisterDispatcher(TKovaBaseDispatcher* dispatcher);
void UnregisterDispatcher(int handle);
// The live dispatcher of `handle`, or nullptr. The caller must know the
// dispatcher cannot be destroyed meanwhile (its owner's thread).
TKovaBaseDispatcher* DispatcherByHandle(int handle);

}  // namespace telvane
