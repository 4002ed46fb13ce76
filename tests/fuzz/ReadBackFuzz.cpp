// Any reply to a read-back: the comparison must stay within the reply and the
// image, and must never call a reply a match unless it shows every requested
// byte equal to the image.
#include "CommandRecord.h"
#include "ReplyRules.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    static veltra::RomImage image;  // every byte 0xFF
    const uint32_t start = (uint32_t{data[0]} << 8 | data[1]) & 0xFFF0;
    const uint32_t count = data[2] % 3 == 0 ? 0 : 16u * (1 + data[3] % 4);
    const std::string_view reply(reinterpret_cast<const char*>(data + 4), size - 4);
    const uint32_t total = veltra::ReadBackReplyLength(2 * count);
    if (!veltra::CompareReadBack(reply, total, image, start, count))
        return 0;
    // A match shows "FF" (in either case) for every byte.
    const auto isF = [](char c) { return c == 'F' || c == 'f'; };
    size_t pairs = 0;
    for (size_t i = 0; i + 1 < reply.size(); ++i)
        pairs += (isF(reply[i]) && isF(reply[i + 1])) ? 1 : 0;
    if (pairs < count)
        std::abort();
    return 0;
}
