#include "CommandRecord.h"
#include "ReplyRules.h"

#include <gtest/gtest.h>

using veltra::ReplyVerdict;
namespace code = veltra::code;

namespace {

// The boot loader's read-back display of `count` bytes from `start`.
std::string ReadBackReply(const veltra::RomImage& image, uint32_t start, uint32_t count)
{
    std::string reply = veltra::BuildReadBackRecord(start, start + count - 1) + "\r\n";
    char text[8];
    for (uint32_t line = 0; line < count; line += 16) {
        std::snprintf(text, sizeof text, "%04X=", start + line);
        reply += text;
        for (uint32_t k = line; k < count && k < line + 16; ++k) {
            std::snprintf(text, sizeof text, "%02X", image.bytes[start + k]);
            reply += text;
        }
        reply += "\r\n";
    }
    return reply;
}

}  // namespace

TEST(ReplyRules, TextRecordsCompleteExactlyAndNeedTheFullStop)
{
    const std::string echo(veltra::kEraseRecord);
    const uint32_t length = static_cast<uint32_t>(echo.size());
    EXPECT_FALSE(veltra::IsReplyComplete(code::kErase, length, length + 2));
    EXPECT_TRUE(veltra::IsReplyComplete(code::kErase, length, length + 3));
    EXPECT_FALSE(veltra::IsReplyComplete(code::kErase, length, length + 4));
    EXPECT_EQ(veltra::JudgeReply(code::kErase, length, echo + ".\r\n"), ReplyVerdict::Success);
    EXPECT_EQ(veltra::JudgeReply(code::kProgram, length, echo + "X\r\n"), ReplyVerdict::Failure);
    EXPECT_EQ(veltra::JudgeReply(code::kFinalise, length, echo + ".\r\nx"), ReplyVerdict::Incomplete);
    EXPECT_EQ(veltra::JudgeReply(code::kBlankCheck, length, echo), ReplyVerdict::Incomplete);
}

TEST(ReplyRules, HandshakeChunksAreJudgedOneByOne)
{
    EXPECT_EQ(veltra::JudgeReply(code::kHandshake, 1, "U"), ReplyVerdict::Success);
    EXPECT_EQ(veltra::JudgeReply(code::kHandshake, 1, "UU"), ReplyVerdict::Failure);
    EXPECT_EQ(veltra::JudgeReply(code::kHandshake, 1, "\x00U"), ReplyVerdict::Failure);
    EXPECT_EQ(veltra::JudgeReply(code::kHandshake, 1, "x"), ReplyVerdict::Failure);
}

TEST(ReplyRules, FramesAreThirteenBytesAndUnansweredOnesNeverComplete)
{
    for (const char c : {code::kTest, code::kStampWrite, code::kRecordRead, code::kParamRead, code::kParamWrite}) {
        EXPECT_FALSE(veltra::IsReplyComplete(c, 9, 12)) << c;
        EXPECT_TRUE(veltra::IsReplyComplete(c, 9, 13)) << c;
        EXPECT_FALSE(veltra::IsReplyComplete(c, 9, 14)) << c;
    }
    for (const char c : {code::kInitialErase, code::kModeMark}) {
        for (size_t n = 0; n < 20; ++n)
            EXPECT_FALSE(veltra::IsReplyComplete(c, 9, n));
    }
}

TEST(ReplyRules, ReadBackComparison)
{
    veltra::RomImage image;
    for (uint32_t a = 0; a < 0x800; ++a)
        image.bytes[a] = static_cast<uint8_t>(a * 7);
    const std::string full = ReadBackReply(image, 0x0400, 1024);
    ASSERT_EQ(full.size(), 2519u);
    EXPECT_TRUE(veltra::IsReplyComplete(code::kReadBack, 2519, full.size()));
    EXPECT_TRUE(veltra::CompareReadBack(full, 2519, image, 0x0400, 1024));

    // One byte different anywhere fails the range.
    std::string wrong = full;
    wrong[2519 - 3] = wrong[2519 - 3] == '0' ? '1' : '0';
    EXPECT_FALSE(veltra::CompareReadBack(wrong, 2519, image, 0x0400, 1024));

    // "X" or "L" right after the echo fails it.
    std::string refused = full;
    refused[21] = 'X';
    EXPECT_FALSE(veltra::CompareReadBack(refused, 2519, image, 0x0400, 1024));
    refused[21] = 'L';
    EXPECT_FALSE(veltra::CompareReadBack(refused, 2519, image, 0x0400, 1024));

    // The empty range: just the echo and CR LF.
    const std::string empty = veltra::BuildReadBackRecord(0x8000, 0x7FFF) + "\r\n";
    EXPECT_TRUE(veltra::CompareReadBack(empty, 23, image, 0x8000, 0));

    // A short last range of 512 bytes.
    const std::string half = ReadBackReply(image, 0x0400, 512);
    EXPECT_EQ(half.size(), veltra::ReadBackReplyLength(1024));
    EXPECT_TRUE(veltra::CompareReadBack(half, veltra::ReadBackReplyLength(1024), image, 0x0400, 512));
}

TEST(ReplyRules, ReadBackMustCoverEveryRequestedByte)
{
    veltra::RomImage image;
    // An empty data line is skipped, not compared: here it stands in for a
    // line, so the reply has the right length but leaves bytes unchecked.
    const std::string echo = veltra::BuildReadBackRecord(0x0000, 0x001F) + "\r\n";
    const std::string gappy = echo + "0000=\r\n" + "0010=" + std::string(32, 'F') + "\r\n" + "0000=\r\n" +
                              std::string(32, 'F');
    const uint32_t total = veltra::ReadBackReplyLength(64);
    std::string padded = gappy;
    padded.resize(total, '\n');
    EXPECT_FALSE(veltra::CompareReadBack(padded, total, image, 0x0000, 32));

    // Lines out of order, or addresses other than the range's, fail.
    const std::string swapped = echo + "0010=" + std::string(32, 'F') + "\r\n" + "0000=" + std::string(32, 'F') + "\r\n";
    EXPECT_FALSE(veltra::CompareReadBack(swapped, total, image, 0x0000, 32));

    // Junk of the right length never passes and never reads past the reply.
    for (const char fill : {'\r', '\n', '=', '0', 'F', 'Z'}) {
        const std::string junk = echo + std::string(total - 23, fill);
        EXPECT_FALSE(veltra::CompareReadBack(junk, total, image, 0x0000, 32)) << fill;
    }
    EXPECT_FALSE(veltra::CompareReadBack(echo, total, image, 0x0000, 32));
}
