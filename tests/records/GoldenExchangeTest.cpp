#include "CommandRecord.h"
#include "GoldenExchanges.h"
#include "ReplyRules.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace code = veltra::code;
namespace golden = veltra::testing::golden;
using veltra::ReplyVerdict;

namespace {

struct Built {
    char code;
    std::string request;
};

// How the tool makes each request of the table, in the table's order.
std::vector<Built> BuildEveryRequest(const veltra::RomImage& image)
{
    return {
        {code::kRecordRead, veltra::BuildEepromRead(golden::kEepromAddress)},
        {code::kStampWrite, veltra::BuildEepromWrite(golden::kEepromAddress, 26)},
        {code::kParamRead, veltra::BuildEepromRead(golden::kEepromAddress)},
        {code::kParamWrite, veltra::BuildEepromWrite(0x10, 0x5A)},
        {code::kTest, veltra::BuildTestRequest(1)},
        {code::kTest, veltra::BuildTestRequest(golden::kFailingItem)},
        {code::kModeMark, veltra::BuildEepromWrite(509, 0xAA)},
        {code::kInitialErase, veltra::BuildInitialEraseRequest()},
        {code::kHandshake, std::string(veltra::kHandshakeByte)},
        {code::kErase, std::string(veltra::kEraseRecord)},
        {code::kBlankCheck, std::string(veltra::kBlankCheckRecord)},
        {code::kProgram, veltra::BuildProgramRecord(image, 0x0000, veltra::kProgramBlockBytes)},
        {code::kProgram, veltra::BuildProgramRecord(image, 0x0400, 16)},
        {code::kFinalise, std::string(veltra::FinalisationRecord(0))},
        {code::kFinalise, std::string(veltra::FinalisationRecord(1))},
        {code::kFinalise, std::string(veltra::FinalisationRecord(2))},
        {code::kFinalise, std::string(veltra::FinalisationRecord(3))},
        {code::kReadBack, std::string(veltra::kFirstReadBackRecord)},
        {code::kReadBack, veltra::BuildReadBackRecord(0x0400, 0x040F)},
        {code::kReadBack, veltra::BuildReadBackRecord(0x0400, 0x03FF)},
        {code::kReadBack, veltra::BuildReadBackRecord(0xFFFF, 0xFFFE)},
    };
}

}  // namespace

// Each request is built byte for byte, and its reply completes exactly at its
// last byte and is judged a success.
TEST(GoldenExchange, TheToolBuildsEachRequestAndTakesEachReply)
{
    veltra::RomImage image;
    for (const golden::Block& block : golden::Image())
        std::copy(block.bytes.begin(), block.bytes.end(), image.bytes.begin() + block.address);
    const std::vector<Built> built = BuildEveryRequest(image);
    ASSERT_EQ(built.size(), golden::Exchanges().size());

    for (size_t i = 0; i < built.size(); ++i) {
        const golden::Exchange& exchange = golden::Exchanges()[i];
        const std::string& reply = exchange.reply;
        const char c = built[i].code;
        SCOPED_TRACE(exchange.what);
        EXPECT_EQ(built[i].request, exchange.request);
        uint32_t expected = static_cast<uint32_t>(exchange.request.size());
        if (c == code::kReadBack) {
            const uint32_t start = veltra::HexField(exchange.request.substr(9, 4));
            const uint32_t end = veltra::HexField(exchange.request.substr(13, 4));
            const uint32_t bytes = end < start ? 0 : end + 1 - start;
            expected = veltra::ReadBackReplyLength(2 * bytes);
            EXPECT_TRUE(veltra::CompareReadBack(reply, expected, image, start, bytes));
        }
        if (c == code::kModeMark || c == code::kInitialErase) {
            // Sent back to back; nothing is waited for.
            for (size_t n = 0; n <= reply.size() + 1; ++n)
                EXPECT_FALSE(veltra::IsReplyComplete(c, expected, n)) << n;
            continue;
        }
        for (size_t n = 1; n < reply.size(); ++n)
            ASSERT_NE(veltra::JudgeReply(c, expected, reply.substr(0, n)), ReplyVerdict::Success) << n;
        EXPECT_TRUE(veltra::IsReplyComplete(c, expected, reply.size()));
        EXPECT_EQ(veltra::JudgeReply(c, expected, reply), ReplyVerdict::Success);
        if (reply.front() == '\x1B') {
            EXPECT_EQ(veltra::ScanFrameReply(exchange.request, reply).verdict, veltra::FrameVerdict::Complete);
        }
    }
}
