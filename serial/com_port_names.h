#pragma once
// COMn on Linux: the port number names a device path. The [Ports] section
// of TVN.INI may map a number to any device ("COM3=/dev/ttyACM0", a USB
// modem or a virtual one on a pty); otherwise COMn is /dev/ttyS{n-1}.

#include <functional>
#include <string>
#include <vector>

namespace telvane {

// "COM3" for 3.
std::string ComDeviceName(int number);
// The device path of COMn, read from the settings file each time so a
// changed mapping takes effect at the next open.
std::string ComDevicePath(int number);

// The ports from `first` to `last` that a probe open finds usable, or held
// by another program (listed too, so the user sees the port exists).
std::vector<int> UsableComPorts(int first = 1, int last = 50);

// The port selection dialog, installed by the program: returns the chosen
// port number, or 0 when the user cancelled.
using PortSelectionHook = std::function<int()>;
void SetPortSelectionHook(PortSelectionHook hook);
// Runs the installed hook; 0 without one.
int RunPortSelection();

}  // namespace telvane
