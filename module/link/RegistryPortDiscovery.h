#pragma once

#include "PortDiscovery.h"
#include "Registry.h"

#include <cstdint>
#include <string>

// Port discovery from the device registry, as a Windows build does it. Each
// function that can fail reports the system error code it stopped on in
// `lastError` (left untouched when nothing failed).
namespace veltra::registry {

// Which registry area lists the ports, by system version.
enum SystemVersionClass : uint16_t {
    kWin9x = 0x0090,      // enumeration tree under ENUM
    kNt3 = 0x0139,        // none: error 1150
    kNt4 = 0x0140,        // device map
    kWin2000 = 0x2000,    // enumeration tree under SYSTEM\CURRENTCONTROLSET\ENUM
    kWinXpAndLater = 0x0900,  // device map (5.1 and every 6.x)
    kWin2003 = 0x2003,    // enumeration tree
    kWin5Later = 0x2009,  // enumeration tree (5.3 and higher 5.x)
    kUnknownSystem = 0xFFFF,  // none, no error
};

constexpr const char* kDeviceMapKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr const char* kWin9xEnumRoot = "ENUM";
constexpr const char* kNtEnumRoot = "SYSTEM\\CURRENTCONTROLSET\\ENUM";

uint16_t ClassifySystemVersion(const SystemVersion& version);

// Classifies the system, runs the method it names and returns the port count.
int EnumerateSerialPorts(Registry& registry, PortNameList& ports, long& lastError);

int ListPortsFromDeviceMap(Registry& registry, PortNameList& ports, long& lastError);
int ListPortsFromEnumTree(Registry& registry, const std::string& rootKey, PortNameList& ports, long& lastError);

// Opens the subkey at `index` of `parent`; 0, the system's error code, or
// kNoMoreItems past the last subkey.
long OpenSubKeyByIndex(Registry& registry, Key parent, uint32_t index, uint32_t access, Key& key);
// Reads a text value in full; 0, the system's error code, or kNotEnoughMemory.
long QueryTextValue(Registry& registry, Key key, const std::string& valueName, std::string& text);

}  // namespace veltra::registry
