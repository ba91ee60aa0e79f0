#include "settings/serial_devices.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "serial/com_port_names.h"
#include "settings/app_settings.h"
#include "settings/ini_file.h"

namespace telvane {
namespace fs = std::filesystem;
namespace {

constexpr int kLastMappedCom = 50;

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// A ttyS node exists for every possible UART; the kernel's port type says
// whether one was found ("0" is none).
bool UartPresent(const std::string& sysRoot, const std::string& name) {
  std::ifstream type(sysRoot + "/class/tty/" + name + "/type");
  int value = 0;
  return type >> value && value != 0;
}

std::string Resolved(const std::string& path) {
  std::error_code error;
  const fs::path canonical = fs::weakly_canonical(path, error);
  return error ? path : canonical.string();
}

}  // namespace

std::vector<std::string> PresentSerialDevices(const std::string& devRoot, const std::string& sysRoot) {
  std::vector<std::string> devices;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(devRoot, error)) {
    const std::string name = entry.path().filename().string();
    if (StartsWith(name, "ttyUSB") || StartsWith(name, "ttyACM") ||
        (StartsWith(name, "ttyS") && UartPresent(sysRoot, name)))
      devices.push_back(entry.path().string());
  }
  for (const auto& entry : fs::directory_iterator(devRoot + "/serial/by-id", error))
    devices.push_back(entry.path().string());
  std::sort(devices.begin(), devices.end());
  return devices;
}

std::vector<std::string> ExtraMappedDevices(const IniFile& settings) {
  std::vector<std::string> devices;
  for (int n = SetupComPorts + 1; n <= kLastMappedCom; ++n) {
    const std::string path = settings.ReadString("Ports", ComDeviceName(n), "");
    if (!path.empty()) devices.push_back(path);
  }
  return devices;
}

std::vector<ProbeTarget> ModemSearchTargets(const std::vector<std::string>& comPaths,
                                            const std::vector<std::string>& extra) {
  std::vector<ProbeTarget> targets;
  std::map<std::string, size_t> byDevice;  // resolved path -> index in targets
  for (size_t i = 0; i < comPaths.size(); ++i) {
    const int n = static_cast<int>(i) + 1;
    targets.push_back({n, comPaths[i], "Com " + std::to_string(n)});
    byDevice.emplace(Resolved(comPaths[i]), targets.size() - 1);
  }
  for (const std::string& path : extra) {
    const std::string resolved = Resolved(path);
    const auto seen = byDevice.find(resolved);
    const bool byId = path.find("/serial/by-id/") != std::string::npos;
    if (seen == byDevice.end()) {
      targets.push_back({0, path, byId ? fs::path(path).filename().string() : path});
      byDevice.emplace(resolved, targets.size() - 1);
    } else if (byId && targets[seen->second].comNumber == 0) {
      // The stable name is the better one to show and to map: ttyUSB
      // numbers change with the order devices are plugged in.
      targets[seen->second].devicePath = path;
      targets[seen->second].label = fs::path(path).filename().string();
    }
  }
  return targets;
}

std::vector<ProbeTarget> MachineSearchTargets() {
  std::vector<std::string> comPaths;
  for (int n = 1; n <= SetupComPorts; ++n) comPaths.push_back(ComDevicePath(n));
  std::vector<std::string> extra = PresentSerialDevices();
  const std::vector<std::string> mapped = ExtraMappedDevices(IniFile(SettingsFileName()));
  extra.insert(extra.end(), mapped.begin(), mapped.end());
  return ModemSearchTargets(comPaths, extra);
}

}  // namespace telvane
