#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace veltra {

// The serial port names found at start-up, in discovery order. A name is the
// device path without "/dev/" ("ttyUSB0", "pts/3"); a port outside /dev is named
// by its absolute path.
using PortNameList = std::vector<std::string>;

// Longer names are left out rather than cut: a cut name would open another port.
constexpr std::size_t kMaxPortNameLength = 255;

std::string PortNameFromPath(const std::string& devicePath);
std::string DevicePathFromName(const std::string& portName);

// "ttyS2" before "ttyS10": runs of digits compare by value, the rest by character.
bool NaturalLess(const std::string& a, const std::string& b);

// The ttys under <sysfsRoot>/class/tty that have a device behind them, in natural
// order. A serial-core port whose `type` is 0 (PORT_UNKNOWN, the placeholder
// ttyS ports of an 8250 driver with no UART behind them) is left out.
PortNameList ListSysfsSerialPorts(const std::string& sysfsRoot = "/sys");

// The ports of this machine: the sysfs ports, then `extraPorts` (absolute device
// paths such as the pseudo-terminals of simulated modules, from the settings
// file) in the order given; an extra path that does not exist, is not absolute,
// or names a port already listed is left out. Fills `ports` and returns its size.
int EnumerateSerialPorts(PortNameList& ports, const std::vector<std::string>& extraPorts = {},
                         const std::string& sysfsRoot = "/sys");

}  // namespace veltra
