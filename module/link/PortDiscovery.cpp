#include "PortDiscovery.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace veltra {

namespace {

const std::string kDevPrefix = "/dev/";

bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// A serial-core port reports its UART type; 0 means no UART was found there.
bool IsPlaceholderUart(const std::filesystem::path& ttyDir)
{
    std::ifstream in(ttyDir / "type");
    long type = -1;
    return in && (in >> type) && type == 0;
}

}  // namespace

std::string PortNameFromPath(const std::string& devicePath)
{
    if (devicePath.size() > kDevPrefix.size() && devicePath.compare(0, kDevPrefix.size(), kDevPrefix) == 0) {
        return devicePath.substr(kDevPrefix.size());
    }
    return devicePath;
}

std::string DevicePathFromName(const std::string& portName)
{
    if (portName.empty() || portName.front() == '/') {
        return portName;
    }
    return kDevPrefix + portName;
}

bool NaturalLess(const std::string& a, const std::string& b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t ei = i;
            std::size_t ej = j;
            while (ei < a.size() && IsDigit(a[ei])) {
                ++ei;
            }
            while (ej < b.size() && IsDigit(b[ej])) {
                ++ej;
            }
            // Compare the values without converting: skip leading zeros, then a
            // longer run is larger, then digit by digit.
            std::size_t si = i;
            std::size_t sj = j;
            while (si + 1 < ei && a[si] == '0') {
                ++si;
            }
            while (sj + 1 < ej && b[sj] == '0') {
                ++sj;
            }
            if (ei - si != ej - sj) {
                return ei - si < ej - sj;
            }
            const int order = a.compare(si, ei - si, b, sj, ej - sj);
            if (order != 0) {
                return order < 0;
            }
            if (ei - i != ej - j) {
                return ei - i < ej - j;  // "ttyS01" after "ttyS1", so the order is strict
            }
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) {
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        }
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

PortNameList ListSysfsSerialPorts(const std::string& sysfsRoot)
{
    namespace fs = std::filesystem;
    PortNameList ports;
    std::error_code error;
    const fs::path classDir = fs::path(sysfsRoot) / "class" / "tty";
    for (fs::directory_iterator it(classDir, error), end; !error && it != end; it.increment(error)) {
        const fs::path ttyDir = it->path();
        // Virtual terminals, ptmx, console and the like have no device behind them.
        if (!fs::exists(ttyDir / "device", error)) {
            continue;
        }
        if (IsPlaceholderUart(ttyDir)) {
            continue;
        }
        // sysfs writes a '/' of the device name as '!' (/dev/tts/0 is "tts!0").
        std::string name = ttyDir.filename().string();
        std::replace(name.begin(), name.end(), '!', '/');
        if (name.size() <= kMaxPortNameLength) {
            ports.push_back(std::move(name));
        }
    }
    std::sort(ports.begin(), ports.end(), NaturalLess);
    return ports;
}

int EnumerateSerialPorts(PortNameList& ports, const std::vector<std::string>& extraPorts, const std::string& sysfsRoot)
{
    ports = ListSysfsSerialPorts(sysfsRoot);
    for (const std::string& path : extraPorts) {
        if (path.empty() || path.front() != '/') {
            continue;
        }
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            continue;
        }
        std::string name = PortNameFromPath(path);
        if (name.size() > kMaxPortNameLength || std::find(ports.begin(), ports.end(), name) != ports.end()) {
            continue;
        }
        ports.push_back(std::move(name));
    }
    return static_cast<int>(ports.size());
}

}  // namespace veltra
