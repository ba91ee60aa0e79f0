#pragma once
// Windows below the main program open help topics through this hook; the
// program installs the help window behind it at start-up.

#include <functional>

class QWidget;

namespace telvane {

using HelpHandler = std::function<void(int context, QWidget* parent)>;

void SetHelpHandler(HelpHandler handler);
// Shows help topic `context`; does nothing before a handler is installed.
void RequestHelp(int context, QWidget* parent = nullptr);

}  // namespace telvane
