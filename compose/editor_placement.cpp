#include "compose/editor_placement.h"

#include "platform/prompts.h"
#include "settings/app_settings.h"
#include "settings/window_helpers.h"

namespace telvane {

void SavePlacementOnClose(const QWidget& window) {
  try {
    SaveWindowPlacement(window);
  } catch (const SettingsWriteError& e) {
    ShowError(e.what());
  }
}

}  // namespace telvane
