#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace veltra {

// Everything one pass over a HEX file produced: the image it describes and how
// far it reaches, or the first thing that is wrong with it.
struct HexParseOutcome {
    bool ok = false;
    int errorCode = 0;  // errno of a read failure, 0 for a malformed file
    std::string problem;  // "line 12: checksum is 3A, the record needs 3B"
    uint32_t lastAddress = 0;
};

// Reads at most `length` bytes of `file` as Intel HEX records into `bytes`
// (which the caller has set to 0xFF). Never writes outside the 64 KiB. A file
// without a single record is refused.
HexParseOutcome ReadHexRecords(std::FILE* file, uint32_t length, std::array<uint8_t, 0x10000>& bytes);

}  // namespace veltra
