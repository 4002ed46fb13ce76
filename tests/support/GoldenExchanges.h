#pragma once

#include "HexRecord.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Every kind of request the tool sends a module, with the exact bytes of the
// module's answer. The tool's record builders and reply rules are checked
// against it on one side and the virtual module on the other, so the two can
// only agree with each other by agreeing with this table.
//
// The exchanges run as one session on one module: its application firmware
// first, whose initial erase hands over to the boot loader, then a download of
// Image() and its verification.
namespace veltra::testing::golden {

// What the module holds before the first exchange; every other cell is erased
// and every other test item passes.
constexpr std::uint32_t kEepromAddress = 464;
constexpr std::uint8_t kEepromValue = 0x08;
constexpr int kFailingItem = 3;
constexpr std::int32_t kFailCode = 0x1234;

struct Block {
    std::uint32_t address;
    std::vector<std::uint8_t> bytes;
};

// The firmware the session downloads: a full block and a short last one.
inline std::vector<Block> Image()
{
    return {{0x0000, Ramp(128)}, {0x0400, Ramp(16, 0xA0)}};
}

struct Exchange {
    const char* what;
    std::string request;
    std::string reply;  // everything the module sends back, its echo included; empty when it stays silent
};

// "1B 45 52" as the bytes it names.
inline std::string Hex(const char* text)
{
    std::string bytes;
    for (char* end = nullptr; *text != '\0'; text = end)
        bytes += static_cast<char>(std::strtoul(text, &end, 16));
    return bytes;
}

// Read-back display lines of erased flash from `from` up to `to`.
inline std::string ErasedLines(std::uint32_t from, std::uint32_t to)
{
    std::string lines;
    for (std::uint32_t address = from; address < to; address += 16) {
        char head[12];
        std::snprintf(head, sizeof head, "%04X=", address);
        lines += head + std::string(32, 'F') + "\r\n";
    }
    return lines;
}

inline Exchange Echoed(const char* what, std::string request, const std::string& after)
{
    return {what, request, request + after};
}

inline const std::vector<Exchange>& Exchanges()
{
    static const std::vector<Exchange> exchanges = {
        // The application firmware, at 9,600 bit/s.
        {"test record read", Hex("1B 45 52 00 00 01 D0 C6 0D"), Hex("1B 45 52 00 00 01 D0 00 00 00 08 CE 0D")},
        Echoed("test stamp write", Hex("1B 45 57 00 00 01 D0 00 00 00 1A D9 0D"), ""),
        {"parameter read", Hex("1B 45 52 00 00 01 D0 C6 0D"), Hex("1B 45 52 00 00 01 D0 00 00 00 1A DC 0D")},
        Echoed("parameter write", Hex("1B 45 57 00 00 00 10 00 00 00 5A 58 0D"), ""),
        {"test request, passed", Hex("1B 54 52 00 00 00 01 07 0D"), Hex("1B 54 52 00 00 00 01 00 00 00 00 07 0D")},
        {"test request, failed", Hex("1B 54 52 00 00 00 03 05 0D"), Hex("1B 54 52 00 00 00 03 00 00 12 34 23 0D")},
        Echoed("mode mark", Hex("1B 45 57 00 00 01 FD 00 00 00 AA 44 0D"), ""),
        {"initial erase", Hex("1B 44 52 00 00 00 64 72 0D"), ""},
        // The boot loader, at the rate of its handshake.
        {"handshake", "U", "U"},
        Echoed("erase", ":0100000307F5", ".\r\n"),
        Echoed("blank check", ":0500000400007FFF0178", ".\r\n"),
        Echoed("program record of a full block",
               ":80000000"
               "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F"
               "202122232425262728292A2B2C2D2E2F303132333435363738393A3B3C3D3E3F"
               "404142434445464748494A4B4C4D4E4F505152535455565758595A5B5C5D5E5F"
               "606162636465666768696A6B6C6D6E6F707172737475767778797A7B7C7D7E7F"
               "C0",
               ".\r\n"),
        Echoed("program record of a short last block", ":10040000A0A1A2A3A4A5A6A7A8A9AAABACADAEAF74", ".\r\n"),
        Echoed("finalisation record 0", ":03000003060000F4", ".\r\n"),
        Echoed("finalisation record 1", ":030000030A0400EC", ".\r\n"),
        Echoed("finalisation record 2", ":030000030A0400EC", ".\r\n"),
        Echoed("finalisation record 3", ":030000030A0800E8", ".\r\n"),
        Echoed("read-back of the first range", ":05000004000003FF00F5",
               "\r\n"
               "0000=000102030405060708090A0B0C0D0E0F\r\n"
               "0010=101112131415161718191A1B1C1D1E1F\r\n"
               "0020=202122232425262728292A2B2C2D2E2F\r\n"
               "0030=303132333435363738393A3B3C3D3E3F\r\n"
               "0040=404142434445464748494A4B4C4D4E4F\r\n"
               "0050=505152535455565758595A5B5C5D5E5F\r\n"
               "0060=606162636465666768696A6B6C6D6E6F\r\n"
               "0070=707172737475767778797A7B7C7D7E7F\r\n" +
                   ErasedLines(0x0080, 0x0400)),
        Echoed("read-back of a short last range", ":050000040400040F00E0",
               "\r\n0400=A0A1A2A3A4A5A6A7A8A9AAABACADAEAF\r\n"),
        Echoed("read-back of the empty range after a last full one", ":05000004040003FF00F1", "\r\n"),
        Echoed("read-back of the empty range after an image up to FFFF", ":05000004FFFFFFFE00FC", "\r\n"),
    };
    return exchanges;
}

}  // namespace veltra::testing::golden
