#include "RomMinimum.h"

#include <algorithm>

namespace veltra::bench {

namespace {

// The boot loader ends every acknowledged record with ".", CR, LF after the echo.
constexpr uint64_t kAcknowledgement = 3;
constexpr uint64_t kReadBackRequest = 21;

uint64_t ProgramRecordChars(uint64_t bytes)
{
    return 11 + 2 * bytes;
}

// Echo, CR LF, then lines of sixteen bytes: address, "=", the digits, CR LF.
uint64_t ReadBackReplyChars(uint64_t bytes)
{
    return kReadBackRequest + 2 + 7 * ((bytes + 15) / 16) + 2 * bytes;
}

}  // namespace

RomLineLoad RomDownloadLoad(uint32_t lastAddress)
{
    RomLineLoad load;
    const auto add = [&load](uint64_t requestBytes, uint64_t afterRequest) {
        ++load.exchanges;
        load.bytes += requestBytes + afterRequest;
    };
    add(1, 1);                        // "U" answered by "U"
    add(13, kAcknowledgement);        // erase
    add(21, kAcknowledgement);        // blank check
    const uint64_t imageBytes = uint64_t{lastAddress} + 1;
    // The first block is always full, whatever the image's size.
    for (uint64_t at = 0; at == 0 || at < imageBytes; at += 128)
        add(ProgramRecordChars(at == 0 ? 128 : std::min<uint64_t>(128, imageBytes - at)), kAcknowledgement);
    for (int index = 0; index < 4; ++index)
        add(17, kAcknowledgement);
    // The first range is always 0000-03FF; full ranges go on until a shorter
    // one, empty when the image ends on a range's edge, closes verification.
    uint64_t start = 0;
    uint64_t bytes = 1024;
    for (;;) {
        add(kReadBackRequest, ReadBackReplyChars(bytes) - kReadBackRequest);
        if (bytes < 1024)
            break;
        start += bytes;
        bytes = std::min<uint64_t>(1024, imageBytes > start ? imageBytes - start : 0);
    }
    return load;
}

double PhysicalMinimumSeconds(const RomLineLoad& load, uint32_t baud, double eraseSeconds)
{
    return static_cast<double>(load.bytes) * 10.0 / static_cast<double>(baud) + eraseSeconds;
}

}  // namespace veltra::bench
