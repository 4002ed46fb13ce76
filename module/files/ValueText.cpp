#include "ValueText.h"

#include "RomImage.h"

#include <cctype>
#include <cstdio>

namespace veltra {

uint32_t ParseDecimalModulo32(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    uint32_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    return negative ? 0u - value : value;
}

namespace {

bool IsNegativeText(const std::string& text)
{
    const size_t i = text.find_first_not_of(" \t\n\v\f\r");
    return i != std::string::npos && text[i] == '-';
}

}  // namespace

std::string BytesToValueText(const std::string& typeCell, const std::vector<uint8_t>& bytes)
{
    const char type = typeCell.empty() ? '\0' : typeCell.front();
    const size_t size = bytes.size();
    if (type == 'U' || type == 'S') {
        if (size != 1 && size != 2 && size != 4)
            return {};
        uint32_t raw = 0;
        for (const uint8_t b : bytes)
            raw = (raw << 8) | b;
        if (type == 'U')
            return std::to_string(raw);
        const unsigned bits = static_cast<unsigned>(size * 8);
        int64_t value = raw;
        if (bits < 32 && (raw >> (bits - 1)) != 0)
            value -= int64_t{1} << bits;
        else if (bits == 32 && raw >= 0x80000000u)
            value -= int64_t{1} << 32;
        return std::to_string(value);
    }
    if (type == 'C') {
        std::string text;
        for (const uint8_t b : bytes) {
            if (b != 0x00 && b != 0xFF)
                text.push_back(static_cast<char>(b));
        }
        return text;
    }
    if (type == 'H') {
        std::string text = "0x";
        for (const uint8_t b : bytes) {
            char pair[4];
            std::snprintf(pair, sizeof pair, "%02x", b);
            text += pair;
        }
        return text;
    }
    return {};
}

bool HasHexPrefix(const std::string& value)
{
    return value.size() >= 2 && value[0] == '0' && value[1] == 'x';
}

uint8_t ValueTextByte(const std::string& typeCell, int size, const std::string& value, int k)
{
    const size_t index = static_cast<size_t>(k);
    if (typeCell == "C")
        return index < value.size() ? static_cast<uint8_t>(value[index]) : 0xFF;
    if (typeCell == "H") {
        const size_t at = 2 + 2 * index;
        if (at >= value.size())
            return 0xFF;
        return static_cast<uint8_t>(HexField(std::string_view(value).substr(at, 2)));
    }
    if (!typeCell.empty() && (typeCell.front() == 'C' || typeCell.front() == 'H'))
        return 0x00;
    const uint32_t number = ParseDecimalModulo32(value);
    const int fromEnd = size - 1 - k;  // 0 for the least significant byte
    if (fromEnd >= 4)
        return IsNegativeText(value) ? 0xFF : 0x00;
    return static_cast<uint8_t>(number >> (8 * fromEnd));
}

std::vector<uint8_t> ValueTextToBytes(const std::string& typeCell, int size, const std::string& value)
{
    std::vector<uint8_t> bytes;
    for (int k = 0; k < size; ++k)
        bytes.push_back(ValueTextByte(typeCell, size, value, k));
    return bytes;
}

}  // namespace veltra
