#pragma once

#include <map>
#include <string>
#include <vector>

namespace veltra {

// A port as discovery finds it, with the place of the adapter behind it.
struct DiscoveredPort {
    std::string portName;
    std::string byPath;  // its name in <devRoot>/serial/by-path, empty when it has none

    bool operator==(const DiscoveredPort&) const = default;
};

// The /dev/serial/by-path name of every port that has one, by port name. Where
// udev made more than one link to a device (systemd adds "…-usbv2-…" beside
// "…-usb-…"), the first in byte order is taken, so that a place always has the
// same name whichever order the folder lists them in.
std::map<std::string, std::string> ReadByPathNames(const std::string& devRoot = "/dev");

// The ports of this machine as EnumerateSerialPorts lists them (sysfs, then
// `extraPorts`), each with its by-path name.
std::vector<DiscoveredPort> DiscoverPorts(const std::vector<std::string>& extraPorts = {},
                                          const std::string& sysfsRoot = "/sys", const std::string& devRoot = "/dev");

}  // namespace veltra
