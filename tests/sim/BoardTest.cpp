#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

#include "Board.h"
#include "Frames.h"

namespace veltra::sim {
namespace {

using testing::Bytes;
using testing::HexRecord;
using testing::ReadBackRecord;

const std::string kEepromRead464 = Bytes({0x1B, 0x45, 0x52, 0x00, 0x00, 0x01, 0xD0, 0xC6, 0x0D});
const std::string kEepromWrite509 = Bytes({0x1B, 0x45, 0x57, 0x00, 0x00, 0x01, 0xFD, 0x00, 0x00, 0x00, 0xAA, 0x44, 0x0D});
const std::string kInitialErase = Bytes({0x1B, 0x44, 0x52, 0x00, 0x00, 0x00, 0x64, 0x72, 0x0D});

std::string TestRequest(int item)
{
    static const int kChecks[] = {0x07, 0x04, 0x05, 0x02, 0x03, 0x00, 0x01, 0x0E};
    return Bytes({0x1B, 0x54, 0x52, 0x00, 0x00, 0x00, item, kChecks[item - 1], 0x0D});
}

// Everything the board sends for `bytes`, as if the line delivered them at once.
std::string Feed(Board& board, std::string_view bytes, std::uint32_t rate = 9600)
{
    std::string sent;
    while (!bytes.empty()) {
        const Reaction reaction = board.Receive(bytes, rate);
        sent += reaction.echo + reaction.reply;
        bytes.remove_prefix(reaction.consumed);
    }
    return sent;
}

std::vector<std::uint8_t> Pattern(std::size_t count, int seed)
{
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 7 + static_cast<std::size_t>(seed)) & 0xFF);
    }
    return bytes;
}

Board BootedBoard(std::chrono::milliseconds eraseTime = {})
{
    Board board(Personality::BootLoader, eraseTime);
    EXPECT_EQ(Feed(board, "U"), "U");
    return board;
}

TEST(SimBoard, ApplicationFramesAnswerAsTheToolExpects)
{
    Board board(Personality::Application, {});
    board.Memory().eeprom[464] = 0x08;
    board.Memory().testResults[2] = 0x1234;

    EXPECT_EQ(Feed(board, kEepromRead464), Bytes({0x1B, 0x45, 0x52, 0x00, 0x00, 0x01, 0xD0, 0x00, 0x00, 0x00, 0x08, 0xCE, 0x0D}));
    EXPECT_EQ(Feed(board, kEepromWrite509), kEepromWrite509);
    EXPECT_EQ(board.Memory().eeprom[509], 0xAA);

    EXPECT_EQ(Feed(board, TestRequest(3)), Bytes({0x1B, 0x54, 0x52, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x12, 0x34, 0x23, 0x0D}));
    for (const int item : {1, 2, 4, 5, 6, 7, 8}) {
        // A passed item's result adds nothing to the checksum, so the reply
        // repeats the request's checksum.
        const std::string request = TestRequest(item);
        const std::string expected = request.substr(0, 7) + Bytes({0, 0, 0, 0}) + request.substr(7);
        EXPECT_EQ(Feed(board, request), expected) << "item " << item;
    }
    board.Memory().testResults[0] = -1;
    EXPECT_EQ(Feed(board, TestRequest(1)), Bytes({0x1B, 0x54, 0x52, 0x00, 0x00, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x07, 0x0D}));

    ASSERT_EQ(board.Log().size(), 11u);
    EXPECT_TRUE(std::all_of(board.Log().begin(), board.Log().end(), [](const Request& r) { return r.answered; }));
    EXPECT_EQ(board.Log()[0].bytes, kEepromRead464);
}

TEST(SimBoard, ApplicationIgnoresWhatItCannotTrust)
{
    Board board(Personality::Application, {});
    std::string badChecksum = kEepromRead464;
    badChecksum[7] = 0x00;
    EXPECT_EQ(Feed(board, badChecksum), "");
    ASSERT_EQ(board.Log().size(), 1u);
    EXPECT_FALSE(board.Log()[0].answered);

    // Any other rate is garbage to its UART, and spoils a frame half received.
    EXPECT_EQ(Feed(board, kEepromRead464, 57600), "");
    EXPECT_EQ(Feed(board, kEepromRead464.substr(0, 4)), "");
    EXPECT_EQ(Feed(board, "\x55\x55", 19200), "");
    EXPECT_EQ(Feed(board, kEepromRead464.substr(4)), "");
    EXPECT_EQ(board.Log().end()[-2].rate, 19200u);
    EXPECT_FALSE(board.Log().end()[-2].answered);
    EXPECT_EQ(board.Log().back().bytes, kEepromRead464.substr(4)) << "the rest of the spoilt frame";

    // Line noise, then a frame cut short, then a whole one: only the whole one
    // is answered.
    const std::string noisy = Bytes({0x00, 0xF8, 0x0D}) + kEepromWrite509.substr(0, 6) + kEepromRead464;
    EXPECT_EQ(Feed(board, noisy).size(), 13u);
    EXPECT_EQ(board.Memory().eeprom[509], 0xFF);
    EXPECT_EQ(board.Log().end()[-2].bytes, noisy.substr(0, 9)) << "what was dropped is on record";
    EXPECT_FALSE(board.Log().end()[-2].answered);
    EXPECT_EQ(Feed(board, "U"), "") << "a handshake means nothing to the application";
    EXPECT_EQ(board.Log().back().bytes, "U");

    // Beyond the chip: reads give erased cells, writes change nothing.
    const std::string readFar = Bytes({0x1B, 0x45, 0x52, 0x00, 0x00, 0x02, 0x00, 0x45 ^ 0x52 ^ 0x02, 0x0D});
    EXPECT_EQ(static_cast<std::uint8_t>(Feed(board, readFar)[10]), 0xFF);
    const std::string unknownItem = Bytes({0x1B, 0x54, 0x52, 0x00, 0x00, 0x00, 0x09, 0x54 ^ 0x52 ^ 0x09, 0x0D});
    EXPECT_EQ(Feed(board, unknownItem).substr(7, 4), Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(SimBoard, InitialEraseHandsOverToTheBootLoader)
{
    Board board(Personality::Application, {});
    const std::string otherArgument = Bytes({0x1B, 0x44, 0x52, 0x00, 0x00, 0x00, 0x65, 0x73, 0x0D});
    EXPECT_EQ(Feed(board, otherArgument), "");
    EXPECT_EQ(board.Running(), Personality::Application);

    EXPECT_EQ(Feed(board, kInitialErase), "");
    EXPECT_EQ(board.Running(), Personality::BootLoader);
    EXPECT_FALSE(board.Log().back().answered);
    // The boot loader knows no frames, and waits for a handshake at any rate.
    EXPECT_EQ(Feed(board, kEepromRead464), "");
    EXPECT_EQ(Feed(board, "U", 38400), "U");
}

TEST(SimBoard, BootLoaderRunsTheDownloadRecords)
{
    Board board(Personality::BootLoader, std::chrono::milliseconds(1500));
    board.Memory().flash.Load(0, Pattern(0x10000, 3));
    EXPECT_EQ(Feed(board, ":0100000307F5"), "") << "no record is taken before the handshake";
    EXPECT_EQ(board.Log().back().bytes, ":0100000307F5");
    EXPECT_FALSE(board.Log().back().answered);
    EXPECT_EQ(Feed(board, "U", 57600), "U");

    const Reaction erase = board.Receive(":0100000307F5", 57600);
    EXPECT_EQ(erase.echo, ":0100000307F5");
    EXPECT_EQ(erase.reply, ".\r\n");
    EXPECT_EQ(erase.wait, std::chrono::milliseconds(1500));
    EXPECT_EQ(board.Memory().flash.Contents(), std::vector<std::uint8_t>(0x10000, 0xFF));

    EXPECT_EQ(Feed(board, ":0500000400007FFF0178", 57600), ":0500000400007FFF0178.\r\n");
    const std::string erasedBlock = ":80000000" + std::string(256, 'F') + "00";
    EXPECT_EQ(Feed(board, erasedBlock, 57600), erasedBlock + ".\r\n");
    // The records this test builds agree with the published examples.
    EXPECT_EQ(HexRecord(0, 0x03, {0x07}), ":0100000307F5");
    EXPECT_EQ(ReadBackRecord(0x0400, 0x07FF), ":05000004040007FF00ED");
    EXPECT_EQ(HexRecord(0, 0x00, std::vector<std::uint8_t>(128, 0xFF)), erasedBlock);

    const auto block = Pattern(128, 9);
    const std::string program = HexRecord(0x0100, 0x00, block);
    ASSERT_EQ(program.size(), 267u);
    ASSERT_EQ(program.substr(0, 9), ":80010000");
    EXPECT_EQ(Feed(board, program, 57600), program + ".\r\n");
    const auto flash = board.Memory().flash.Contents();
    EXPECT_TRUE(std::equal(block.begin(), block.end(), flash.begin() + 0x100));
    EXPECT_EQ(Feed(board, ":0500000400007FFF0178", 57600), ":0500000400007FFF0178X\r\n") << "no longer blank";

    for (const char* record : {":03000003060000F4", ":030000030A0400EC", ":030000030A0400EC", ":030000030A0800E8"}) {
        EXPECT_EQ(Feed(board, record, 57600), std::string(record) + ".\r\n");
    }

    const std::string readBack = Feed(board, ":05000004000003FF00F5", 57600);
    ASSERT_EQ(readBack.size(), 2519u);
    EXPECT_EQ(readBack.substr(0, 23), ":05000004000003FF00F5\r\n");
    EXPECT_EQ(readBack.substr(23 + 16 * 39, 39),
              "0100=" + program.substr(9, 32) + "\r\n");

    // What the loader does not know is refused, never guessed.
    EXPECT_EQ(Feed(board, HexRecord(0, 0x03, {0x05}), 57600).substr(13), "X\r\n");
    EXPECT_EQ(Feed(board, ":0100000307F4", 57600), ":0100000307F4X\r\n");
    EXPECT_EQ(Feed(board, ":01G", 57600), ":01GX\r\n");
    EXPECT_EQ(Feed(board, ReadBackRecord(0, 0xF, 0x02), 57600).substr(21), "X\r\n");
    EXPECT_EQ(Feed(board, HexRecord(0xFFF0, 0x00, Pattern(32, 1)), 57600).substr(75), "X\r\n") << "past the chip's end";
}

TEST(SimBoard, BootLoaderListensOnlyAtItsHandshakeRate)
{
    Board board = BootedBoard();
    EXPECT_EQ(Feed(board, ":0100000307F5", 57600), "");
    EXPECT_FALSE(board.Log().back().answered);
    EXPECT_EQ(board.Log().back().rate, 57600u);
    // A new handshake teaches it the new rate, even in the middle of a record.
    EXPECT_EQ(Feed(board, ":0100", 9600), ":0100");
    EXPECT_EQ(Feed(board, "U", 57600), "U");
    EXPECT_EQ(Feed(board, ":0100000307F5", 57600), ":0100000307F5.\r\n");
}

TEST(SimBoard, ProgrammingWithoutEraseKeepsTheAndOfOldAndNew)
{
    Board board = BootedBoard();
    EXPECT_EQ(Feed(board, HexRecord(0x20, 0x00, {0xF0, 0x0F})).substr(15), ".\r\n");
    EXPECT_EQ(Feed(board, HexRecord(0x20, 0x00, {0x3C, 0xFF})).substr(15), ".\r\n");
    EXPECT_EQ(board.Memory().flash.Read(0x20), 0x30);
    EXPECT_EQ(board.Memory().flash.Read(0x21), 0x0F);
    EXPECT_EQ(Feed(board, ReadBackRecord(0x20, 0x21)), ReadBackRecord(0x20, 0x21) + "\r\n0020=300F\r\n");
    Feed(board, ":0100000307F5");
    EXPECT_EQ(board.Memory().flash.Read(0x20), 0xFF);
}

TEST(SimBoard, ReadBackRangesHaveTheLengthsTheToolCounts)
{
    Board board = BootedBoard();
    board.Memory().flash.Load(0, Pattern(0x10000, 5));
    // 23 + H + 7 x ceil(H / 32) characters for H hexadecimal digits.
    EXPECT_EQ(Feed(board, ReadBackRecord(0x0400, 0x07FF)).size(), 2519u);
    EXPECT_EQ(Feed(board, ReadBackRecord(0x0400, 0x05FF)).size(), 1271u);
    EXPECT_EQ(Feed(board, ReadBackRecord(0x0100, 0x0100)).size(), 32u);
    EXPECT_EQ(Feed(board, ":05000004040003FF00F1"), ":05000004040003FF00F1\r\n") << "empty range";

    const std::string top = Feed(board, ReadBackRecord(0xFC00, 0xFFFF));
    ASSERT_EQ(top.size(), 2519u);
    EXPECT_EQ(top.substr(2519 - 39, 5), "FFF0=");
    const std::string topLine = top.substr(2519 - 34, 32);
    std::string expected;
    for (std::uint32_t a = 0xFFF0; a <= 0xFFFF; ++a) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        const std::uint8_t b = board.Memory().flash.Read(a);
        expected += kDigits[b >> 4];
        expected += kDigits[b & 0xF];
    }
    EXPECT_EQ(topLine, expected);

    const std::string full = Feed(board, ReadBackRecord(0x0400, 0x07FF));
    for (std::size_t line = 0; line < 64; ++line) {
        const std::string text = full.substr(23 + line * 39, 39);
        EXPECT_EQ(text.substr(0, 5), HexRecord(static_cast<std::uint16_t>(0x0400 + line * 16), 0, {}).substr(3, 4) + "=");
        EXPECT_EQ(text.substr(37), "\r\n");
    }
}

TEST(SimBoard, FaultSwitchesDoWhatTheySay)
{
    Faults faults;
    faults.nakBlock = 1;
    faults.stuckBit = StuckBit{0x0005, 0, 1};
    faults.readBackMark = 'L';
    faults.handshakeNoise = "\xF8";
    faults.replyDelay = std::chrono::milliseconds(40);
    faults.deadEepromAddress = 509;
    Board board(Personality::BootLoader, {});
    board.SetFaults(faults);

    EXPECT_EQ(Feed(board, "U"), "\xF8U");
    const Reaction first = board.Receive(HexRecord(0x0000, 0x00, std::vector<std::uint8_t>(16, 0x00)), 9600);
    EXPECT_EQ(first.reply, ".\r\n");
    EXPECT_EQ(first.wait, std::chrono::milliseconds(40));
    EXPECT_EQ(Feed(board, HexRecord(0x0010, 0x00, {0x00})).substr(13), "X\r\n");
    EXPECT_EQ(board.Memory().flash.Read(0x0010), 0xFF) << "a refused block is not programmed";
    EXPECT_EQ(Feed(board, HexRecord(0x0010, 0x00, {0x00})).substr(13), ".\r\n");
    EXPECT_EQ(board.Memory().flash.Read(0x0005), 0x01) << "the stuck bit stays high";

    const std::string readBack = Feed(board, ReadBackRecord(0x0000, 0x000F));
    EXPECT_EQ(readBack.size(), 23u + 7 + 32);
    EXPECT_EQ(readBack[21], 'L');
    EXPECT_EQ(readBack.substr(23, 21), "0000=0000000000010000");

    // After a new handshake block 1 is the second one again.
    Feed(board, "U");
    Feed(board, HexRecord(0x0020, 0x00, {0x00}));
    EXPECT_EQ(Feed(board, HexRecord(0x0021, 0x00, {0x00})).substr(13), "X\r\n");

    // Stuck low, the blank check fails however often the chip is erased.
    faults = {};
    faults.stuckBit = StuckBit{0x7000, 3, 0};
    board.SetFaults(faults);
    Feed(board, ":0100000307F5");
    EXPECT_EQ(Feed(board, ":0500000400007FFF0178").substr(21), "X\r\n");

    board.Restart(Personality::Application);
    faults = {};
    faults.deadEepromAddress = 509;
    board.SetFaults(faults);
    EXPECT_EQ(Feed(board, kEepromWrite509), kEepromWrite509);
    EXPECT_EQ(board.Memory().eeprom[509], 0xFF);
}

TEST(SimBoard, SilenceComesWhenAsked)
{
    Faults faults;
    faults.silentAfterRequests = 2;
    Board board(Personality::Application, {});
    board.SetFaults(faults);
    EXPECT_EQ(Feed(board, kEepromWrite509).size(), 13u);
    EXPECT_EQ(Feed(board, kEepromRead464).size(), 13u);
    board.ClearLog();  // forgetting the log does not start the count again
    EXPECT_EQ(Feed(board, kEepromRead464), "");
    ASSERT_EQ(board.Log().size(), 1u);
    EXPECT_FALSE(board.Log().back().answered);
    board.Restart(Personality::Application);
    EXPECT_EQ(Feed(board, kEepromRead464).size(), 13u) << "counting starts again after a restart";

    // Silent from the start, the board still does what it is told; only its
    // transmitter is dead.
    faults = {};
    faults.silent = true;
    board.Restart(Personality::BootLoader);
    board.SetFaults(faults);
    EXPECT_EQ(Feed(board, "U"), "");
    EXPECT_EQ(Feed(board, HexRecord(0x0000, 0x00, {0x12})), "");
    EXPECT_EQ(board.Memory().flash.Read(0), 0x12);
}

}  // namespace
}  // namespace veltra::sim
