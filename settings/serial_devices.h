#pragma once
// The serial devices a modem search probes: COM1-COM6 through the [Ports]
// mapping of TVN.INI (COMn is /dev/ttyS{n-1} unless mapped), then the
// serial devices actually present on the machine and every other device
// [Ports] names, so a USB modem is found without editing the file.

#include <string>
#include <vector>

namespace telvane {

class IniFile;

inline constexpr int SetupComPorts = 6;  // the windows offer Com1 to Com6

struct ProbeTarget {
  int comNumber = 0;       // 1-6 for COM1-COM6, else 0
  std::string devicePath;
  std::string label;       // "Com 1", or the device's name
};

// Serial devices present under `devRoot`: ttyS* with a UART behind them
// (its type under `sysRoot`/class/tty is not 0; the nodes exist whether or
// not there is hardware), ttyUSB*, ttyACM*, and the links in serial/by-id,
// which name USB modems by maker and model. Sorted, as found.
std::vector<std::string> PresentSerialDevices(const std::string& devRoot = "/dev", const std::string& sysRoot = "/sys");

// The entries of [Ports] beyond COM6 (COM7 to COM50) that name a device.
std::vector<std::string> ExtraMappedDevices(const IniFile& settings);

// COM1-COM6 with their device paths (`comPaths`[0] is COM1), then `extra`
// devices; each device once (compared after resolving links), the by-id
// name taking the place of the device it points at.
std::vector<ProbeTarget> ModemSearchTargets(const std::vector<std::string>& comPaths,
                                            const std::vector<std::string>& extra);

// The targets of this machine and TVN.INI.
std::vector<ProbeTarget> MachineSearchTargets();

}  // namespace telvane
