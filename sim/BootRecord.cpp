#include "BootRecord.h"

#include "HexText.h"

namespace veltra::sim {

std::optional<std::size_t> BootRecordLength(std::string_view start)
{
    if (start.size() < 3 || start[0] != ':') {
        return std::nullopt;
    }
    const auto count = HexByte(start[1], start[2]);
    if (!count) {
        return std::nullopt;
    }
    return 11 + 2 * std::size_t{*count};
}

std::optional<BootRecord> DecodeBootRecord(std::string_view text)
{
    const auto length = BootRecordLength(text);
    if (!length || text.size() != *length) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    unsigned sum = 0;
    for (std::size_t i = 1; i + 1 < text.size(); i += 2) {
        const auto value = HexByte(text[i], text[i + 1]);
        if (!value) {
            return std::nullopt;
        }
        bytes.push_back(*value);
        sum += *value;
    }
    if ((sum & 0xFF) != 0) {
        return std::nullopt;
    }
    BootRecord record;
    record.address = static_cast<std::uint16_t>(bytes[1] << 8 | bytes[2]);
    record.type = bytes[3];
    record.data.assign(bytes.begin() + 4, bytes.end() - 1);
    return record;
}

}  // namespace veltra::sim
