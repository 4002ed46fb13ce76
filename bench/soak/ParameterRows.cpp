#include "ParameterRows.h"

#include <cstdlib>

namespace veltra::soak {

size_t RowAddress(const ParameterEntry& row)
{
    return std::strtoul(row.hexAddress.c_str(), nullptr, 16);
}

size_t RowSize(const ParameterEntry& row)
{
    return static_cast<size_t>(std::atoi(row.size.c_str()));
}

std::vector<uint8_t> RandomRowValue(const ParameterEntry& row, std::mt19937_64& random)
{
    std::vector<uint8_t> bytes(RowSize(row), 0xFF);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> letter('A', 'Z');
    const size_t letters = std::uniform_int_distribution<size_t>(0, bytes.size())(random);
    for (size_t k = 0; k < bytes.size(); ++k) {
        if (row.type != "C")
            bytes[k] = static_cast<uint8_t>(byte(random));
        else if (k < letters)
            bytes[k] = static_cast<uint8_t>(letter(random));
    }
    return bytes;
}

std::string OutOfRangeValue(const ParameterEntry& row)
{
    const size_t size = RowSize(row);
    if (row.type == "C")
        return std::string(size + 1, 'X');
    if (row.type == "H")
        return "0x" + std::string(2 * (size + 1), 'a');
    const unsigned bits = size > 4 ? 32 : static_cast<unsigned>(8 * size);
    if (row.type == "S")
        return std::to_string(-(int64_t{1} << (bits - 1)) - 1);
    return std::to_string(int64_t{1} << bits);
}

}  // namespace veltra::soak
