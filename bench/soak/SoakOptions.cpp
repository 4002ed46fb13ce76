#include "SoakOptions.h"

#include <charconv>
#include <random>
#include <string_view>

namespace veltra::soak {

namespace {

template <typename Number>
bool ReadNumber(std::string_view text, Number& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, code] = std::from_chars(text.data(), end, value);
    return code == std::errc() && stop == end;
}

}  // namespace

std::optional<SoakOptions> ParseSoakOptions(int argc, char** argv)
{
    SoakOptions options;
    bool seeded = false;
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 >= argc)
            return std::nullopt;
        const std::string_view name = argv[i];
        const std::string_view value = argv[i + 1];
        bool ok = false;
        if (name == "--modules")
            ok = ReadNumber(value, options.modules) && options.modules >= 1 && options.modules <= 64;
        else if (name == "--operations")
            ok = ReadNumber(value, options.operations) && options.operations >= 1;
        else if (name == "--seed")
            ok = seeded = ReadNumber(value, options.seed);
        else if (name == "--fault-rate")
            ok = ReadNumber(value, options.faultRate) && options.faultRate >= 0 && options.faultRate <= 1;
        if (!ok)
            return std::nullopt;
    }
    if (!seeded) {
        std::random_device device;
        options.seed = (uint64_t{device()} << 32) | device();
    }
    return options;
}

std::string SoakUsage()
{
    return "usage: soak [--modules N (1-64, 16)] [--operations N (200)] [--seed N (random)] "
           "[--fault-rate P (0-1, 0.25)]";
}

}  // namespace veltra::soak
