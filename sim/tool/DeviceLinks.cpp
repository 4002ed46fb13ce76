#include "DeviceLinks.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace veltra::sim {

std::string DeviceLinks::LinkPath(std::size_t index) const
{
    return (std::filesystem::path(folder_) / ("ttyVM" + std::to_string(index))).string();
}

bool DeviceLinks::Point(std::size_t index, const std::string& device, std::string& error) const
{
    std::error_code code;
    std::filesystem::create_directories(folder_, code);
    const std::string link = LinkPath(index);
    const std::string fresh = link + ".new";
    std::filesystem::remove(fresh, code);
    std::filesystem::create_symlink(device, fresh, code);
    if (!code) {
        std::filesystem::rename(fresh, link, code);
    }
    if (code) {
        error = link + ": " + code.message();
        return false;
    }
    return true;
}

void DeviceLinks::Remove(std::size_t index) const
{
    std::error_code code;
    std::filesystem::remove(LinkPath(index), code);
}

}  // namespace veltra::sim
