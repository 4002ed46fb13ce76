#include "VirtualBench.h"

namespace veltra::sim {

VirtualBench::VirtualBench(std::size_t count, const ModuleOptions& options)
{
    for (std::size_t i = 0; i < count; ++i) {
        ModuleOptions own = options;
        own.seed = options.seed + static_cast<std::uint32_t>(i);
        modules_.push_back(std::make_unique<VirtualModule>(own));
    }
}

VirtualBench::VirtualBench(const std::vector<ModuleOptions>& perModule)
{
    for (const ModuleOptions& options : perModule) {
        modules_.push_back(std::make_unique<VirtualModule>(options));
    }
}

}  // namespace veltra::sim
