#include "ModuleMemory.h"

#include <algorithm>

namespace veltra::soak {

namespace {

template <typename Bytes>
size_t Differing(const Bytes& expected, const Bytes& actual)
{
    const size_t common = std::min(expected.size(), actual.size());
    size_t count = std::max(expected.size(), actual.size()) - common;
    for (size_t at = 0; at < common; ++at)
        count += expected[at] != actual[at] ? 1 : 0;
    return count;
}

}  // namespace

ModuleMemory ReadMemory(const sim::VirtualModule& module)
{
    return {module.Flash(), module.Eeprom()};
}

size_t DifferingBytes(const ModuleMemory& expected, const ModuleMemory& actual)
{
    return Differing(expected.flash, actual.flash) + Differing(expected.eeprom, actual.eeprom);
}

}  // namespace veltra::soak
