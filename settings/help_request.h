#pragma once
// Help by context number from the settings windows. The help window lives
// with the program; it installs the handler, and without one a request does
// nothing.

#include <functional>

class QWidget;

namespace telvane {

using HelpHandler = std::function<void(int context, QWidget* parent)>;
void SetHelpHandler(HelpHandler handler);
void RequestHelp(int context, QWidget* parent);

}  // namespace telvane
