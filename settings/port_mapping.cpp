#include "settings/port_mapping.h"

#include "serial/com_port_names.h"
#include "settings/app_settings.h"
#include "settings/ini_file.h"

namespace telvane {

std::string SetupDevicePath(int comNumber, const PortMapping& pending) {
  return pending.comNumber == comNumber && comNumber > 0 ? pending.devicePath : ComDevicePath(comNumber);
}

void SavePortMapping(const PortMapping& mapping) {
  if (mapping.comNumber <= 0) return;
  IniFile file(SettingsFileName());
  if (!file.WriteString("Ports", ComDeviceName(mapping.comNumber), mapping.devicePath))
    throw SettingsWriteError(file.Path());
}

}  // namespace telvane
