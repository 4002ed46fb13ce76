#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "ModuleLoop.h"
#include "ModuleOptions.h"
#include "VirtualModule.h"

namespace veltra::sim {

// A bench of independent virtual modules, each on its own pseudo-terminal,
// served by as many loops as the machine has cores.
//
//     VirtualBench bench(4);
//     channel.Open(bench.Module(0).Path());
class VirtualBench {
public:
    // Module i starts with `options`, its seed offset by i.
    explicit VirtualBench(std::size_t count, const ModuleOptions& options = {});
    // One module per entry, each started as its entry says.
    explicit VirtualBench(const std::vector<ModuleOptions>& perModule);

    std::size_t Size() const { return modules_.size(); }
    VirtualModule& Module(std::size_t index) { return *modules_.at(index); }
    const VirtualModule& Module(std::size_t index) const { return *modules_.at(index); }

private:
    void MakeLoops(std::size_t modules);
    ModuleLoop* LoopFor(std::size_t index) const;

    std::vector<std::unique_ptr<ModuleLoop>> loops_;  // outlive the modules
    std::vector<std::unique_ptr<VirtualModule>> modules_;
};

}  // namespace veltra::sim
