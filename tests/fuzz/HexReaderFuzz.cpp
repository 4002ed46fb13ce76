// Any bytes as a HEX file: the reader must never write outside the image nor
// report a lastAddress beyond it, and a refusal must say why.
#include "HexFileReader.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(fmemopen(const_cast<uint8_t*>(data), size, "rb"), std::fclose);
    if (size == 0 || !file)
        return 0;
    auto bytes = std::make_unique<std::array<uint8_t, 0x10000>>();
    bytes->fill(0xFF);
    const veltra::HexParseOutcome outcome = veltra::ReadHexRecords(file.get(), static_cast<uint32_t>(size), *bytes);
    if (outcome.lastAddress > 0xFFFF || (!outcome.ok && outcome.problem.empty()))
        std::abort();
    return 0;
}
