#pragma once
// Help by context number for windows below the application layer: they ask
// here, and the program installs the hook that opens its help window.

#include <functional>

namespace telvane {

void SetHelpHook(std::function<void(int context)> hook);
// Shows the help topic through the hook; without one nothing happens.
void RequestHelp(int context);

}  // namespace telvane
