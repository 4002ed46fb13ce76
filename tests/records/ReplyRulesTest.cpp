#include "CommandRecord.h"
#include "GoldenExchanges.h"
#include "ReplyRules.h"

#include <gtest/gtest.h>

using veltra::FrameVerdict;
using veltra::ReplyVerdict;
using veltra::testing::golden::Hex;
namespace code = veltra::code;

// What the golden exchanges cannot show: replies that are too long, refused,
// noisy or cut, and must never pass.
TEST(ReplyRules, RepliesThatMustNotPass)
{
    const std::string erase(veltra::kEraseRecord);
    const std::string frame = Hex("1B 45 52 00 00 01 D0 00 00 00 08 CE 0D");
    const struct {
        char code;
        uint32_t expected;
        std::string reply;
        ReplyVerdict verdict;
    } judged[] = {
        {code::kErase, 13, erase + ".\r\nx", ReplyVerdict::Incomplete},
        {code::kProgram, 13, erase + "X\r\n", ReplyVerdict::Failure},
        {code::kParamRead, 9, frame + "\r", ReplyVerdict::Incomplete},
        {code::kReadBack, 23, ":05000004040003FF00F1\r\n\r", ReplyVerdict::Incomplete},
        // A handshake is judged chunk by chunk, and only "U" alone will do.
        {code::kHandshake, 1, "UU", ReplyVerdict::Failure},
        {code::kHandshake, 1, std::string("\0U", 2), ReplyVerdict::Failure},
        {code::kHandshake, 1, "x", ReplyVerdict::Failure},
    };
    for (const auto& c : judged)
        EXPECT_EQ(veltra::JudgeReply(c.code, c.expected, c.reply), c.verdict) << c.reply;

    // The reply to a read of 464 found among noise, another frame and a cut.
    const std::string request = veltra::BuildEepromRead(464);
    const std::string other = Hex("1B 45 52 00 00 01 D1 00 00 00 08 CF 0D");
    std::string garbled = frame;
    garbled[11] = '\0';
    const struct {
        std::string received;
        FrameVerdict verdict;
        size_t start;
    } scanned[] = {
        {std::string(1, '\0') + frame, FrameVerdict::Complete, 1},
        {other + frame, FrameVerdict::Complete, 13},
        {garbled + "\xF8" + frame, FrameVerdict::Complete, 14},
        {garbled, FrameVerdict::Wrong, 0},
        {other, FrameVerdict::Wrong, 0},
        {"noise", FrameVerdict::Incomplete, 5},
    };
    for (const auto& c : scanned) {
        const veltra::FrameScan scan = veltra::ScanFrameReply(request, c.received);
        EXPECT_EQ(scan.verdict, c.verdict) << c.start;
        EXPECT_EQ(scan.start, c.start);
    }
    for (size_t cut = 1; cut < frame.size(); ++cut)
        EXPECT_EQ(veltra::ScanFrameReply(request, "\x01" + frame.substr(0, cut)).verdict, FrameVerdict::Incomplete) << cut;
}

// A read-back of the right length passes only when its lines show every byte
// of the range, in order, equal to the image.
TEST(ReplyRules, ReadBackThatMustNotPass)
{
    const veltra::RomImage image;  // erased
    const std::string echo = veltra::BuildReadBackRecord(0x0000, 0x001F) + "\r\n";
    const std::string line0 = "0000=" + std::string(32, 'F') + "\r\n";
    const std::string line1 = "0010=" + std::string(32, 'F') + "\r\n";
    const uint32_t total = veltra::ReadBackReplyLength(64);
    ASSERT_TRUE(veltra::CompareReadBack(echo + line0 + line1, total, image, 0x0000, 32));

    std::string changed = echo + line0 + line1;
    changed[total - 3] = 'E';
    // Empty data lines are skipped: with them short lines make up the length
    // while leaving bytes unchecked.
    const std::string gappy = echo + line0 + "0010=FF\r\n0011=FF\r\n" + "0000=\r\n0000=\r\n0000=\r\n";
    ASSERT_EQ(gappy.size(), total);
    std::vector<std::string> wrong = {changed,
                                      echo.substr(0, 21) + "X\n" + line0 + line1,
                                      echo.substr(0, 21) + "L\n" + line0 + line1,
                                      gappy,
                                      echo + line1 + line0,
                                      echo};
    for (const char fill : {'\r', '\n', '=', '0', 'F', 'Z'})
        wrong.push_back(echo + std::string(total - echo.size(), fill));
    for (const std::string& reply : wrong)
        EXPECT_FALSE(veltra::CompareReadBack(reply, total, image, 0x0000, 32)) << reply;
}

// How long the line is busy before a reply can be whole: the port is not
// looked at before then, so too long a figure would hold every reply back.
TEST(ReplyRules, TheLineCarriesTheRequestAndReplyOfAFrameOneAfterTheOther)
{
    const struct {
        char code;
        size_t request;
        uint32_t expected;
        size_t lineChars;
    } cases[] = {
        {code::kProgram, 267, 267, 270},  // the echo runs alongside the record
        {code::kReadBack, 21, 2519, 2519},
        {code::kParamRead, 9, 9, 22},
        {code::kHandshake, 1, 1, 1},
        {code::kInitialErase, 9, 0, 0},  // never answered
    };
    for (const auto& c : cases)
        EXPECT_EQ(veltra::LineCharsUntilReplied(c.code, c.request, c.expected), c.lineChars) << c.code;
}
