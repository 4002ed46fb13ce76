#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

#include "Board.h"
#include "GoldenExchanges.h"
#include "HexRecord.h"
#include "Pty.h"
#include "Transmitter.h"
#include "VirtualModule.h"

namespace veltra::sim {
namespace {

using namespace std::chrono_literals;
namespace golden = veltra::testing::golden;
using golden::Hex;
using veltra::testing::Line;
using veltra::testing::HexRecord;
using veltra::testing::Ramp;

const std::string kRead464 = Hex("1B 45 52 00 00 01 D0 C6 0D");
const std::string kWrite509 = Hex("1B 45 57 00 00 01 FD 00 00 00 AA 44 0D");
const std::string kErase = ":0100000307F5";
const std::string kBlankCheck = ":0500000400007FFF0178";

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

std::string ReadBackRecord(std::uint16_t first, std::uint16_t last, std::uint8_t selector = 0)
{
    return HexRecord(0, 0x04, {static_cast<std::uint8_t>(first >> 8), static_cast<std::uint8_t>(first & 0xFF),
                               static_cast<std::uint8_t>(last >> 8), static_cast<std::uint8_t>(last & 0xFF), selector});
}

TEST(SimBoard, ApplicationAnswersOnlyWholeFramesAtItsRate)
{
    Board board(Personality::Application, {});
    std::string badChecksum = kRead464;
    badChecksum[7] = 0x00;
    // A wrong checksum, another rate (which spoils a frame half received, so
    // its rest means nothing either), a handshake, another initial erase.
    for (const auto& [bytes, rate] : std::initializer_list<std::pair<std::string, std::uint32_t>>{
             {badChecksum, 9600}, {kRead464, 57600}, {kRead464.substr(0, 4), 9600}, {"\x55\x55", 19200},
             {kRead464.substr(4), 9600}, {"U", 9600}, {Hex("1B 44 52 00 00 00 65 73 0D"), 9600}})
        EXPECT_EQ(Feed(board, bytes, rate), "") << rate;
    EXPECT_EQ(board.Running(), Personality::Application);
    EXPECT_TRUE(std::none_of(board.Log().begin(), board.Log().end(), [](const Request& r) { return r.answered; }));
    EXPECT_EQ(board.Log()[1].rate, 57600u);

    // Noise and a cut frame before a whole one: only the whole one is
    // answered, and what was dropped is on record.
    const std::string noisy = Hex("00 F8 0D") + kWrite509.substr(0, 6) + kRead464;
    EXPECT_EQ(Feed(board, noisy).size(), 13u);
    EXPECT_EQ(board.Memory().eeprom[509], 0xFF);
    EXPECT_EQ(board.Log().end()[-2].bytes, noisy.substr(0, 9));

    // Past the chip a read gives an erased cell; an unknown test item fails.
    EXPECT_EQ(Feed(board, Hex("1B 45 52 00 00 02 00 15 0D")).substr(7, 4), Hex("00 00 00 FF"));
    EXPECT_EQ(Feed(board, Hex("1B 54 52 00 00 00 09 0F 0D")).substr(7, 4), Hex("FF FF FF FF"));
}

// Flash keeps the AND of old and new bytes until erased.
TEST(SimBoard, BootLoaderListensAtItsHandshakeRateRefusesWhatItDoesNotKnowAndProgramsLikeFlash)
{
    Board board(Personality::BootLoader, std::chrono::milliseconds(1500));
    EXPECT_EQ(Feed(board, kErase), "") << "no record is taken before the handshake";
    EXPECT_EQ(Feed(board, "U"), "U");
    EXPECT_EQ(Feed(board, kErase, 57600), "");
    // A new handshake teaches it a new rate, even in the middle of a record.
    EXPECT_EQ(Feed(board, ":0100"), ":0100");
    EXPECT_EQ(Feed(board, "U", 57600), "U");
    const Reaction erase = board.Receive(kErase, 57600);
    EXPECT_EQ(erase.echo + erase.reply, kErase + ".\r\n");
    EXPECT_EQ(erase.wait, std::chrono::milliseconds(1500));

    for (const std::string& refused : {HexRecord(0, 0x03, {0x05}), std::string(":0100000307F4"), std::string(":01G"),
                                       ReadBackRecord(0, 0xF, 0x02), HexRecord(0xFFF0, 0x00, Ramp(32))}) {
        EXPECT_EQ(Feed(board, refused, 57600), refused + "X\r\n");
    }
    EXPECT_EQ(board.Memory().flash.Read(0xFFF0), 0xFF);

    Feed(board, HexRecord(0x20, 0x00, {0xF0, 0x0F}), 57600);
    Feed(board, HexRecord(0x20, 0x00, {0x3C, 0xFF}), 57600);
    EXPECT_EQ(Feed(board, ReadBackRecord(0x20, 0x21), 57600), ReadBackRecord(0x20, 0x21) + "\r\n0020=300F\r\n");
    EXPECT_EQ(Feed(board, kBlankCheck, 57600), kBlankCheck + "X\r\n");
    Feed(board, kErase, 57600);
    EXPECT_EQ(board.Memory().flash.Read(0x20), 0xFF);

    // A range up to the chip's last byte stops there instead of wrapping round.
    const std::string top = Feed(board, ReadBackRecord(0xFC00, 0xFFFF), 57600);
    ASSERT_EQ(top.size(), 2519u);
    EXPECT_EQ(top.substr(2519 - 39), "FFF0=" + std::string(32, 'F') + "\r\n");
}

// The sheet's runs show through the tool's reaction that a refused block, a
// stuck-high bit, noise before the handshake, stray and garbled replies and
// silence take effect, and the module's own test a reply delay; here is what
// no run shows.
TEST(SimBoard, FaultSwitchesDoWhatTheySay)
{
    Faults faults;
    faults.nakBlock = 1;
    faults.readBackMark = 'L';
    Board board(Personality::BootLoader, {});
    board.SetFaults(faults);
    Feed(board, "U");
    Feed(board, HexRecord(0x0000, 0x00, std::vector<std::uint8_t>(16, 0x00)));
    EXPECT_EQ(Feed(board, HexRecord(0x0010, 0x00, {0x00})).substr(13), "X\r\n");
    const std::string readBack = Feed(board, ReadBackRecord(0x0000, 0x0010));
    EXPECT_EQ(readBack.substr(21, 7), "L\n0000=");
    EXPECT_EQ(readBack.substr(62, 7), "0010=FF") << "a refused block is not programmed";

    // Stuck low, the blank check fails however often the chip is erased.
    faults = {};
    faults.stuckBit = StuckBit{0x7000, 3, 0};
    board.SetFaults(faults);
    Feed(board, kErase);
    EXPECT_EQ(Feed(board, kBlankCheck), kBlankCheck + "X\r\n");

    board.Restart(Personality::Application);
    faults = {};
    faults.deadEepromAddress = 509;
    faults.silentAfterRequests = 1;
    board.SetFaults(faults);
    EXPECT_EQ(Feed(board, kWrite509), kWrite509);
    EXPECT_EQ(board.Memory().eeprom[509], 0xFF);
    board.ClearLog();  // forgetting the log does not start the count again
    EXPECT_EQ(Feed(board, kRead464), "");
    board.Restart(Personality::Application);
    EXPECT_NE(Feed(board, kRead464), "") << "counting starts again after a restart";

    // Silent, the board still does what it is told; only its transmitter is dead.
    faults = {};
    faults.silent = true;
    board.SetFaults(faults);
    EXPECT_EQ(Feed(board, kWrite509), "");
    EXPECT_EQ(board.Memory().eeprom[509], 0xAA);
}

TEST(SimModule, AnswersTheGoldenExchangesOnItsTerminal)
{
    VirtualModule module;
    module.SetEeprom(golden::kEepromAddress, std::vector<std::uint8_t>{golden::kEepromValue});
    module.SetTestResult(golden::kFailingItem, golden::kFailCode);
    // The application firmware hears nothing at any rate but 9,600 bit/s,
    // 14,400 (which only termios2 can set) among them.
    auto line = std::make_unique<Line>(module.Path(), 14400);
    line->Write(golden::Exchanges().front().request);
    ASSERT_TRUE(module.WaitForRequests(1, 5s));
    EXPECT_EQ(module.Requests()[0].rate, 14400u);
    EXPECT_FALSE(module.Requests()[0].answered);

    // The tool closes the line and opens it again at each new rate.
    line.reset();  // the port is held exclusively: closed before it is opened again
    line = std::make_unique<Line>(module.Path(), 9600);
    std::size_t requests = 1;
    for (const golden::Exchange& exchange : golden::Exchanges()) {
        if (exchange.request == "U") {
            line.reset();
            line = std::make_unique<Line>(module.Path(), 115200);
        }
        line->Write(exchange.request);
        ASSERT_EQ(line->Read(exchange.reply.size()), exchange.reply) << exchange.what;
        ASSERT_TRUE(module.WaitForRequests(++requests, 5s)) << exchange.what;
        EXPECT_EQ(module.Requests().back().answered, !exchange.reply.empty()) << exchange.what;
    }
    EXPECT_EQ(module.Eeprom()[0x10], 0x5A);
    EXPECT_EQ(module.Eeprom()[509], 0xAA);
}

// Each byte's moment is the burst's start plus n ten-bit times, exact to the
// nanosecond however long the burst, at any rate; a byte ready after the line
// went idle starts a new burst, and a new rate goes on where the old one ended.
TEST(SimLinePacer, MomentsAreExactOverLongBurstsAtAnyRate)
{
    for (const std::uint64_t rate : {9600u, 115200u, 921600u, 1000003u}) {
        LinePacer pacer;
        const SteadyTime start{std::chrono::seconds(1)};
        SteadyTime last;
        for (std::uint64_t n = 1; n <= 200000; ++n) {
            last = pacer.Schedule(start, static_cast<std::uint32_t>(rate));
            ASSERT_EQ(last - start, std::chrono::nanoseconds(n * 10'000'000'000ull / rate)) << rate << " " << n;
        }
        const SteadyTime idle = last + std::chrono::milliseconds(1);
        EXPECT_EQ(pacer.Schedule(idle, static_cast<std::uint32_t>(rate)) - idle,
                  std::chrono::nanoseconds(10'000'000'000ull / rate));
        const SteadyTime end = pacer.Schedule(start, 9600);
        EXPECT_EQ(pacer.Schedule(start, 19200) - end, std::chrono::nanoseconds(10'000'000'000ull / 19200));
    }
}

// A long paced reply handed to the line the way the module does: woken at each
// group's moment, taking what is due. Every byte comes out once, in order and
// never before the line could have carried it; bytes queued while others are
// still going out, with an earlier moment, wait behind them.
TEST(SimTransmitter, PacedBytesGoOutWholeInOrderAndNeverEarly)
{
    constexpr std::uint32_t kRate = 115200;
    const Transmitter::Shape paced{0, {}, kRate, {}};
    const auto byteTime = std::chrono::nanoseconds(10'000'000'000ull / kRate);
    std::string expected;
    for (int i = 0; i < 9000; ++i)
        expected += static_cast<char>('A' + i % 26);
    Transmitter transmitter(1);
    const SteadyTime start{};
    transmitter.Queue(expected.substr(0, 6000), start, paced);

    std::string sent;
    std::size_t wakes = 0;
    bool restQueued = false;
    while (const auto wake = transmitter.NextWake()) {
        ++wakes;
        const std::string_view due = transmitter.Due(*wake);
        ASSERT_FALSE(due.empty());
        sent += due;
        EXPECT_GE(*wake - start, byteTime * sent.size()) << sent.size();
        transmitter.Consume(due.size());
        if (!restQueued && sent.size() >= 5000) {
            transmitter.Queue(expected.substr(6000), start, paced);
            restQueued = true;
        }
    }
    EXPECT_EQ(sent, expected);
    EXPECT_LT(wakes, expected.size() / 16);  // a wake-up a group, not a byte
}

// Modules sharing a loop answer each on its own line, one can go while the
// other is in the middle of a long reply, and one that hung up answers on its
// new terminal, which mostly gets the old one's descriptor number.
TEST(SimModuleLoop, SharedLoopServesEachLineAndLetsOneLeaveWhileAnotherReplies)
{
    ModuleLoop loop;
    ModuleOptions options;
    options.start = Personality::BootLoader;
    VirtualModule kept(options, &loop);
    auto leaving = std::make_unique<VirtualModule>(options, &loop);
    Line keptLine(kept.Path(), 115200);
    Line leavingLine(leaving->Path(), 9600);
    keptLine.Write("U");
    leavingLine.Write("U");
    EXPECT_EQ(keptLine.Read(1), "U");
    EXPECT_EQ(leavingLine.Read(1), "U");
    EXPECT_EQ(kept.LineRate(), 115200u);

    keptLine.Write(":05000004000003FF00F5");
    leaving.reset();
    EXPECT_EQ(keptLine.Read(2519).substr(21, 7), "\r\n0000=");

    Faults hangUp;
    hangUp.hangUpAfterBytes = 1;
    kept.SetFaults(hangUp);
    keptLine.Write("U");
    ASSERT_TRUE(keptLine.WaitForHangUp(std::chrono::seconds(5)));
    kept.SetFaults({});
    kept.Restart(Personality::BootLoader);
    Line newLine(kept.Path(), 115200);
    newLine.Write("U");
    EXPECT_EQ(newLine.Read(1), "U");
}

TEST(SimModule, RepliesComeInPiecesAndNeverEarly)
{
    ModuleOptions options;
    options.start = Personality::BootLoader;
    options.faults.chunkMax = 16;
    options.faults.replyDelay = 80ms;
    VirtualModule module(options);
    Line line(module.Path(), 115200);
    const auto started = std::chrono::steady_clock::now();
    line.Write("U");
    EXPECT_EQ(line.Read(1), "U");
    EXPECT_GE(std::chrono::steady_clock::now() - started, 80ms);
    line.Write(":05000004000003FF00F5");
    EXPECT_EQ(line.Read(2519).substr(21, 7), "\r\n0000=");
    EXPECT_GT(line.Chunks(), 2u);
    // The pace of line-rate emulation is measured by bench/sim/LineRateBench.
}

}  // namespace
}  // namespace veltra::sim
