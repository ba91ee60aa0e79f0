#include "platform/help_requests.h"

namespace telvane {
namespace {
std::function<void(int)>& hook() {
  static std::function<void(int)> h;
  return h;
}
}  // namespace

void SetHelpHook(std::function<void(int context)> h) { hook() = std::move(h); }

void RequestHelp(int context) {
  if (hook()) hook()(context);
}

}  // namespace telvane
