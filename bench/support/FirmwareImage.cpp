#include "FirmwareImage.h"

namespace veltra::bench {

std::vector<uint8_t> FirmwareBytes(size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>((i * 37 + 11) ^ (i >> 8));
    return bytes;
}

}  // namespace veltra::bench
