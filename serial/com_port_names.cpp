#include "serial/com_port_names.h"

#include <mutex>

#include "settings/app_settings.h"
#include "settings/ini_file.h"
#include "serial/status_codes.h"
#include "serial/termios_device.h"

namespace telvane {
namespace {
std::mutex& HookLock() {
  static std::mutex lock;
  return lock;
}
PortSelectionHook& Hook() {  // guarded by HookLock()
  static PortSelectionHook hook;
  return hook;
}
}  // namespace

std::string ComDeviceName(int number) { return "COM" + std::to_string(number); }

std::string ComDevicePath(int number) {
  const IniFile settings(SettingsFileName());
  const std::string fallback = "/dev/ttyS" + std::to_string(number - 1);
  const std::string mapped = settings.ReadString("Ports", ComDeviceName(number), fallback);
  return mapped.empty() ? fallback : mapped;
}

std::vector<int> UsableComPorts(int first, int last) {
  std::vector<int> ports;
  for (int n = first; n <= last; ++n) {
    TermiosDevice probe;
    const int rc = probe.open(ComDevicePath(n));
    if (rc == ecOK || rc == ecAccessDenied) ports.push_back(n);
  }
  return ports;
}

void SetPortSelectionHook(PortSelectionHook hook) {
  std::lock_guard lock(HookLock());
  Hook() = std::move(hook);
}

int RunPortSelection() {
  PortSelectionHook hook;
  {
    std::lock_guard lock(HookLock());
    hook = Hook();
  }
  return hook ? hook() : 0;
}

}  // namespace telvane
