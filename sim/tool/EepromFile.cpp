#include "EepromFile.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace veltra::sim {
namespace {

std::optional<EepromImage> LoadRawImage(const std::string& path, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bytes.size() != kEepromSize) {
        error = path + ": an EEPROM image holds " + std::to_string(kEepromSize) + " bytes, this file " +
                std::to_string(bytes.size());
        return std::nullopt;
    }
    EepromImage image;
    for (std::size_t i = 0; i < kEepromSize; ++i) {
        image[i] = static_cast<std::uint8_t>(bytes[i]);
    }
    return image;
}

}  // namespace

std::optional<EepromImage> LoadEepromFile(const std::string& path, std::string& error)
{
    return LoadRawImage(path, error);
}

}  // namespace veltra::sim
