#include "FirmwareImage.h"

#include <fstream>
#include <iterator>

namespace veltra::bench {

std::vector<uint8_t> FirmwareBytes(size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>((i * 37 + 11) ^ (i >> 8));
    return bytes;
}

namespace {

// Where the first of `modules` virtual modules' flash dumps in `dumpFolder`
// differs from `firmware`; empty when every module holds it.
std::string FirstFlashMismatch(const std::string& dumpFolder, int modules, const std::vector<uint8_t>& firmware)
{
    for (int module = 0; module < modules; ++module) {
        std::ifstream file(dumpFolder + "/module" + std::to_string(module) + ".flash.bin", std::ios::binary);
        const std::string flash{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        if (flash.size() < firmware.size())
            return "module " + std::to_string(module) + ": no flash dump";
        for (size_t at = 0; at < firmware.size(); ++at) {
            if (static_cast<uint8_t>(flash[at]) != firmware[at])
                return "module " + std::to_string(module) + ": flash differs at " + std::to_string(at);
        }
    }
    return {};
}

}  // namespace

std::string CheckAfterRun(std::string failure, SimProcess& sim, const std::string& dumpFolder, int modules,
                          const std::vector<uint8_t>& firmware)
{
    if (!sim.Quit() && failure.empty())
        failure = "the virtual modules did not quit cleanly";
    if (failure.empty())
        failure = FirstFlashMismatch(dumpFolder, modules, firmware);
    return failure;
}

}  // namespace veltra::bench
