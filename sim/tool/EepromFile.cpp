#include "EepromFile.h"

#include "ParameterFile.h"
#include "RomImage.h"
#include "ValueText.h"

#include <cstdlib>
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

// A parameter file as the tool writes it: every row's value at its address,
// the rest of the EEPROM erased. Reserved rows and rows past the EEPROM are
// left out, as a module would never hold them.
std::optional<EepromImage> LoadParameterImage(const std::string& path, std::string& error)
{
    ParameterTable table;
    switch (LoadParameterFile(path, table, error)) {
    case ParameterLoadStatus::CannotOpen:
        error = "cannot read " + path;
        return std::nullopt;
    case ParameterLoadStatus::ReadError:
        return std::nullopt;
    case ParameterLoadStatus::Loaded:
        break;
    }
    EepromImage image = BlankEeprom();
    for (const ParameterEntry& row : table.rows) {
        const int size = std::atoi(row.size.c_str());
        if (row.type == "R" || size <= 0)
            continue;
        const std::uint32_t address = HexField(row.hexAddress);
        const std::vector<std::uint8_t> bytes = ValueTextToBytes(row.type, size, row.value);
        for (std::size_t k = 0; k < bytes.size() && address + k < kEepromSize; ++k)
            image[address + k] = bytes[k];
    }
    return image;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::optional<EepromImage> LoadEepromFile(const std::string& path, std::string& error)
{
    if (EndsWith(path, ".vtp"))
        return LoadParameterImage(path, error);
    return LoadRawImage(path, error);
}

}  // namespace veltra::sim
