#include "widgets/help_request.h"

namespace telvane {
namespace {
HelpHandler& handler() {
  static HelpHandler h;
  return h;
}
}  // namespace

void SetHelpHandler(HelpHandler h) { handler() = std::move(h); }

void RequestHelp(int context, QWidget* parent) {
  if (handler()) handler()(context, parent);
}

}  // namespace telvane
