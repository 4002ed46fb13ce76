#pragma once

#include <cstddef>
#include <string>

namespace veltra::sim {

// Stable names for the modules' terminals, ttyVM0, ttyVM1, ... in one folder, so
// that a settings file can list them although the pts numbers change.
class DeviceLinks {
public:
    explicit DeviceLinks(std::string folder) : folder_(std::move(folder)) {}

    std::string LinkPath(std::size_t index) const;
    // Points the module's link at `device`, replacing an older link in one step.
    bool Point(std::size_t index, const std::string& device, std::string& error) const;
    void Remove(std::size_t index) const;

private:
    std::string folder_;
};

}  // namespace veltra::sim
