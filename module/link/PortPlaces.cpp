#include "PortPlaces.h"

#include "PortDiscovery.h"

#include <filesystem>

namespace veltra {

namespace fs = std::filesystem;

std::map<std::string, std::string> ReadByPathNames(const std::string& devRoot)
{
    std::map<std::string, std::string> names;
    fs::path root = fs::path(devRoot).lexically_normal();
    if (!root.has_filename()) {
        root = root.parent_path();  // "/dev/" compares with its paths as "/dev"
    }
    const fs::path folder = root / "serial" / "by-path";
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code linkError;
        const fs::path target = fs::read_symlink(it->path(), linkError);
        if (linkError) {
            continue;
        }
        // udev's links are relative ("../../ttyUSB0"); resolving them by hand
        // rather than through the file system keeps a test's /dev a plain folder.
        const fs::path device = (target.is_absolute() ? target : folder / target).lexically_normal();
        const fs::path relative = device.lexically_relative(root);
        if (relative.empty() || *relative.begin() == "..") {
            continue;
        }
        const std::string linkName = it->path().filename().string();
        auto [place, added] = names.try_emplace(relative.string(), linkName);
        if (!added && linkName < place->second) {
            place->second = linkName;
        }
    }
    return names;
}

std::vector<DiscoveredPort> DiscoverPorts(const std::vector<std::string>& extraPorts, const std::string& sysfsRoot,
                                          const std::string& devRoot)
{
    PortNameList names;
    EnumerateSerialPorts(names, extraPorts, sysfsRoot);
    const std::map<std::string, std::string> byPath = ReadByPathNames(devRoot);
    std::vector<DiscoveredPort> ports;
    ports.reserve(names.size());
    for (std::string& name : names) {
        const auto place = byPath.find(name);
        ports.push_back({std::move(name), place == byPath.end() ? std::string() : place->second});
    }
    return ports;
}

}  // namespace veltra
