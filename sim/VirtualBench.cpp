#include "VirtualBench.h"

#include <algorithm>
#include <thread>

namespace veltra::sim {

void VirtualBench::MakeLoops(std::size_t modules)
{
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    for (std::size_t i = 0; i < std::min(cores, modules); ++i) {
        loops_.push_back(std::make_unique<ModuleLoop>());
    }
}

ModuleLoop* VirtualBench::LoopFor(std::size_t index) const
{
    return loops_[index % loops_.size()].get();
}

VirtualBench::VirtualBench(std::size_t count, const ModuleOptions& options)
{
    MakeLoops(count);
    for (std::size_t i = 0; i < count; ++i) {
        ModuleOptions own = options;
        own.seed = options.seed + static_cast<std::uint32_t>(i);
        modules_.push_back(std::make_unique<VirtualModule>(own, LoopFor(i)));
    }
}

VirtualBench::VirtualBench(const std::vector<ModuleOptions>& perModule)
{
    MakeLoops(perModule.size());
    for (std::size_t i = 0; i < perModule.size(); ++i) {
        modules_.push_back(std::make_unique<VirtualModule>(perModule[i], LoopFor(i)));
    }
}

}  // namespace veltra::sim
