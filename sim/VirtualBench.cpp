#include "VirtualBench.h"

#include <algorithm>
#include <thread>

namespace veltra::sim {

ModuleLoop& VirtualBench::LoopFor(std::size_t index, std::size_t count)
{
    if (loops_.empty()) {
        const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
        for (std::size_t i = 0; i < std::min(cores, count); ++i) {
            loops_.push_back(std::make_unique<ModuleLoop>());
        }
    }
    return *loops_[index % loops_.size()];
}

VirtualBench::VirtualBench(std::size_t count, const ModuleOptions& options)
{
    for (std::size_t i = 0; i < count; ++i) {
        ModuleOptions own = options;
        own.seed = options.seed + static_cast<std::uint32_t>(i);
        modules_.push_back(std::make_unique<VirtualModule>(own, &LoopFor(i, count)));
    }
}

VirtualBench::VirtualBench(const std::vector<ModuleOptions>& perModule)
{
    for (std::size_t i = 0; i < perModule.size(); ++i) {
        modules_.push_back(std::make_unique<VirtualModule>(perModule[i], &LoopFor(i, perModule.size())));
    }
}

}  // namespace veltra::sim
