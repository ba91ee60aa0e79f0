#pragma once
// A COM number pointed at another device, as the modem search suggests for
// a modem beyond COM1-COM6 (a USB modem, a virtual one). The windows hold it
// until the user confirms, then write it to [Ports] in TVN.INI.

#include <string>

namespace telvane {

struct PortMapping {
  int comNumber = 0;       // 0: none
  std::string devicePath;
};

// The device of COMn: the pending mapping when it is for n, else TVN.INI's.
std::string SetupDevicePath(int comNumber, const PortMapping& pending);

// Writes [Ports] COMn=device; nothing to do without a mapping. Throws
// SettingsWriteError when TVN.INI cannot be written.
void SavePortMapping(const PortMapping& mapping);

}  // namespace telvane
