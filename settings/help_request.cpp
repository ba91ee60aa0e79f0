#include "settings/help_request.h"

namespace telvane {
namespace {
HelpHandler& Handler() {
  static HelpHandler handler;
  return handler;
}
}  // namespace

void SetHelpHandler(HelpHandler handler) { Handler() = std::move(handler); }

void RequestHelp(int context, QWidget* parent) {
  if (Handler()) Handler()(context, parent);
}

}  // namespace telvane
