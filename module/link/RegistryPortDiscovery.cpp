#include "RegistryPortDiscovery.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <vector>

namespace veltra::registry {

namespace {

constexpr const char* kPortsClassGuid = "{4D36E978-E325-11CE-BFC1-08002BE10318}";

// Registry text: the bytes up to the first zero, or all of them.
std::string TextOf(const uint8_t* data, uint32_t size)
{
    const auto* begin = reinterpret_cast<const char*>(data);
    const auto* end = std::find(begin, begin + size, '\0');
    return {begin, end};
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

// Reads a value into a buffer of exactly `capacity` bytes; a longer value does
// not match anything.
bool ReadShortText(Registry& registry, Key key, const char* valueName, uint32_t capacity, std::string& text)
{
    std::vector<uint8_t> buffer(capacity);
    uint32_t size = capacity;
    if (registry.QueryValue(key, valueName, buffer.data(), size) != kSuccess) {
        return false;
    }
    text = TextOf(buffer.data(), std::min(size, capacity));
    return true;
}

bool IsPortInstance(Registry& registry, Key instance)
{
    std::string text;
    if (ReadShortText(registry, instance, "CLASS", 6, text) && (EqualNoCase(text, "PORTS") || EqualNoCase(text, "MODEM"))) {
        return true;
    }
    return ReadShortText(registry, instance, "CLASSGUID", 39, text) && EqualNoCase(text, kPortsClassGuid);
}

// One instance key of the enumeration tree: appends its port, if it is one.
// Returns an error that ends the walk, or 0.
long VisitInstance(Registry& registry, Key instance, PortNameList& ports)
{
    if (!IsPortInstance(registry, instance)) {
        return kSuccess;
    }
    std::string name;
    long result = QueryTextValue(registry, instance, "PORTNAME", name);
    if (result == kFileNotFound) {
        Key parameters = 0;
        if (registry.OpenKey(instance, "DEVICE PARAMETERS", kRead, parameters) != kSuccess) {
            return kSuccess;
        }
        result = QueryTextValue(registry, parameters, "PORTNAME", name);
        registry.CloseKey(parameters);
    }
    if (result == kFileNotFound) {
        return kSuccess;
    }
    if (result != kSuccess) {
        return result;
    }
    if (name.size() < 3 || !EqualNoCase(name.substr(0, 3), "COM") || name.size() > kMaxPortNameLength) {
        return kSuccess;  // LPT1 and the like
    }
    ports.push_back(name);
    return kSuccess;
}

}  // namespace

uint16_t ClassifySystemVersion(const SystemVersion& version)
{
    if (version.platformId == 1) {
        return kWin9x;
    }
    if (version.platformId != 2) {
        return kUnknownSystem;
    }
    if (version.major < 4) {
        return kNt3;
    }
    if (version.major == 4) {
        return kNt4;
    }
    if (version.major == 5) {
        switch (version.minor) {
        case 0: return kWin2000;
        case 1: return kWinXpAndLater;
        case 2: return kWin2003;
        default: return kWin5Later;
        }
    }
    if (version.major == 6) {
        return kWinXpAndLater;
    }
    return kUnknownSystem;
}

int EnumerateSerialPorts(Registry& registry, PortNameList& ports, long& lastError)
{
    ports.clear();
    switch (ClassifySystemVersion(registry.Version())) {
    case kWin9x:
        return ListPortsFromEnumTree(registry, kWin9xEnumRoot, ports, lastError);
    case kNt4:
    case kWinXpAndLater:
        return ListPortsFromDeviceMap(registry, ports, lastError);
    case kWin2000:
    case kWin2003:
    case kWin5Later:
        return ListPortsFromEnumTree(registry, kNtEnumRoot, ports, lastError);
    case kNt3:
        lastError = kOldWinVersion;
        return 0;
    default:
        return 0;
    }
}

int ListPortsFromDeviceMap(Registry& registry, PortNameList& ports, long& lastError)
{
    Key key = 0;
    const long opened = registry.OpenKey(kLocalMachine, kDeviceMapKey, kRead, key);
    if (opened == kFileNotFound) {
        return 0;  // no serial driver has registered a port
    }
    if (opened != kSuccess) {
        lastError = opened;
        return 0;
    }
    try {
        std::vector<char> name(32);
        std::vector<uint8_t> data(32);
        for (uint32_t index = 0;; ++index) {
            uint32_t nameSize = static_cast<uint32_t>(name.size());
            uint32_t dataSize = static_cast<uint32_t>(data.size());
            long result = registry.EnumValue(key, index, name.data(), nameSize, data.data(), dataSize);
            while (result == kMoreData) {
                name.resize(name.size() * 2 + 2);
                data.resize(std::max<std::size_t>(dataSize, data.size()));
                nameSize = static_cast<uint32_t>(name.size());
                dataSize = static_cast<uint32_t>(data.size());
                result = registry.EnumValue(key, index, name.data(), nameSize, data.data(), dataSize);
            }
            if (result != kSuccess) {
                break;  // normally kNoMoreItems: what was collected is the answer
            }
            std::string port = TextOf(data.data(), std::min<uint32_t>(dataSize, static_cast<uint32_t>(data.size())));
            if (port.size() <= kMaxPortNameLength) {
                ports.push_back(std::move(port));
            }
        }
    } catch (const std::bad_alloc&) {
        registry.CloseKey(key);
        ports.clear();
        lastError = kNotEnoughMemory;
        return 0;
    }
    registry.CloseKey(key);
    return static_cast<int>(ports.size());
}

int ListPortsFromEnumTree(Registry& registry, const std::string& rootKey, PortNameList& ports, long& lastError)
{
    Key root = 0;
    const long opened = registry.OpenKey(kLocalMachine, rootKey, kEnumerateSubKeys, root);
    if (opened != kSuccess) {
        lastError = opened;
        return 0;
    }
    long stop = kSuccess;
    for (uint32_t e = 0; stop == kSuccess; ++e) {
        Key enumerator = 0;
        const long r = OpenSubKeyByIndex(registry, root, e, kEnumerateSubKeys, enumerator);
        if (r != kSuccess) {
            stop = r == kNoMoreItems ? kSuccess : r;
            break;
        }
        for (uint32_t d = 0; stop == kSuccess; ++d) {
            Key device = 0;
            const long rd = OpenSubKeyByIndex(registry, enumerator, d, kEnumerateSubKeys, device);
            if (rd != kSuccess) {
                stop = rd == kNoMoreItems ? kSuccess : rd;
                break;
            }
            for (uint32_t i = 0; stop == kSuccess; ++i) {
                Key instance = 0;
                const long ri = OpenSubKeyByIndex(registry, device, i, kRead, instance);
                if (ri != kSuccess) {
                    stop = ri == kNoMoreItems ? kSuccess : ri;
                    break;
                }
                stop = VisitInstance(registry, instance, ports);
                registry.CloseKey(instance);
            }
            registry.CloseKey(device);
        }
        registry.CloseKey(enumerator);
    }
    registry.CloseKey(root);
    if (stop != kSuccess) {
        lastError = stop;
    }
    return static_cast<int>(ports.size());
}

long OpenSubKeyByIndex(Registry& registry, Key parent, uint32_t index, uint32_t access, Key& key)
{
    try {
        std::vector<char> name(128);
        uint32_t size = static_cast<uint32_t>(name.size());
        long result = registry.EnumKey(parent, index, name.data(), size);
        while (result == kMoreData) {
            name.resize(name.size() * 2 + 2);
            size = static_cast<uint32_t>(name.size());
            result = registry.EnumKey(parent, index, name.data(), size);
        }
        if (result != kSuccess) {
            return result;
        }
        const std::string subKey(name.data(), std::min<std::size_t>(size, name.size()));
        return registry.OpenKey(parent, subKey, access, key);
    } catch (const std::bad_alloc&) {
        return kNotEnoughMemory;
    }
}

long QueryTextValue(Registry& registry, Key key, const std::string& valueName, std::string& text)
{
    try {
        std::vector<uint8_t> buffer(128);
        uint32_t size = static_cast<uint32_t>(buffer.size());
        long result = registry.QueryValue(key, valueName, buffer.data(), size);
        while (result == kMoreData) {
            buffer.resize(std::max<std::size_t>(size, buffer.size() + 1));
            size = static_cast<uint32_t>(buffer.size());
            result = registry.QueryValue(key, valueName, buffer.data(), size);
        }
        if (result != kSuccess) {
            return result;
        }
        text = TextOf(buffer.data(), std::min<uint32_t>(size, static_cast<uint32_t>(buffer.size())));
        return kSuccess;
    } catch (const std::bad_alloc&) {
        return kNotEnoughMemory;
    }
}

}  // namespace veltra::registry
