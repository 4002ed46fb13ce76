#include "BootLoaderModel.h"
#include "ChannelPacket.h"
#include "FakePorts.h"
#include "ReplyDispatcher.h"

#include <gtest/gtest.h>

using namespace veltra;
using veltra::testing::BootLoaderModel;
using veltra::testing::FakeObserver;
using veltra::testing::FakePorts;

namespace {

class RomRun : public ::testing::Test {
protected:
    void SetUp() override { veltra::testing::EnsureCoreApplication(); }

    void Make(int portCount)
    {
        ports = std::make_unique<FakePorts>(portCount);
        modules.assign(static_cast<size_t>(portCount), BootLoaderModel{});
        observer = FakeObserver{};
        dispatcher = std::make_unique<ReplyDispatcher>(*ports, observer, image, parameters, [this] { return options; },
                                                       RunTexts{});
    }

    // Answers every port's newest request until no port sends anything new;
    // replies go over in `pieces` chunks each.
    void Drive(size_t pieces = 1)
    {
        std::vector<size_t> answered(ports->sent.size(), 0);
        for (bool progress = true; progress;) {
            progress = false;
            for (size_t p = 0; p < ports->sent.size(); ++p) {
                if (answered[p] == ports->sent[p].size() || (!silent.empty() && silent[p]))
                    continue;
                answered[p] = ports->sent[p].size();
                const CommandRecord& request = ports->sent[p].back();
                if (request.code == code::kInitialErase || request.code == code::kModeMark)
                    continue;
                const std::string reply = modules[p].Answer(request.bytes);
                Deliver(static_cast<int>(p), reply, pieces);
                progress = true;
            }
        }
    }

    void Deliver(int port, const std::string& reply, size_t pieces)
    {
        const size_t step = std::max<size_t>(1, reply.size() / pieces);
        for (size_t at = 0; at < reply.size(); at += step) {
            const size_t n = std::min(step, reply.size() - at);
            dispatcher->OnReceivedData(port, reply.data() + at, n);
        }
    }

    std::vector<std::string> SentOf(int port, char c) const
    {
        std::vector<std::string> out;
        for (const auto& r : ports->sent[static_cast<size_t>(port)]) {
            if (r.code == c)
                out.push_back(r.bytes);
        }
        return out;
    }

    void LoadImage(uint32_t lastAddress)
    {
        image = RomImage{};
        for (uint32_t a = 0; a <= lastAddress; ++a)
            image.bytes[a] = static_cast<uint8_t>(a * 31 + 7);
        image.lastAddress = lastAddress;
        image.loaded = 1;
    }

    RomImage image;
    ParameterTable parameters;
    RomOptions options{true, true, true, true};
    FakeObserver observer;
    std::unique_ptr<FakePorts> ports;
    std::vector<BootLoaderModel> modules;
    std::vector<bool> silent;
    std::unique_ptr<ReplyDispatcher> dispatcher;
};

}  // namespace

TEST_F(RomRun, ProgramsAndVerifiesA32KiBImageInFullBlocksAndRanges)
{
    LoadImage(0x7FFF);
    Make(1);
    dispatcher->BeginRomRun();
    Drive(3);  // every reply split into three chunks

    const auto blocks = SentOf(0, code::kProgram);
    ASSERT_EQ(blocks.size(), 256u);
    EXPECT_EQ(blocks.front().substr(0, 9), ":80000000");
    EXPECT_EQ(blocks.back().substr(0, 9), ":807F8000");
    const auto finals = SentOf(0, code::kFinalise);
    EXPECT_EQ(finals, (std::vector<std::string>{":03000003060000F4", ":030000030A0400EC", ":030000030A0400EC",
                                                ":030000030A0800E8"}));
    const auto ranges = SentOf(0, code::kReadBack);
    ASSERT_EQ(ranges.size(), 33u);
    EXPECT_EQ(ranges[0], ":05000004000003FF00F5");
    EXPECT_EQ(ranges[1], ":05000004040007FF00ED");
    EXPECT_EQ(ranges[32].substr(9, 8), "80007FFF");
    EXPECT_EQ(dispatcher->Slot(0).readBackExpected, 23u);

    for (uint32_t a = 0; a <= 0x7FFF; ++a)
        ASSERT_EQ(modules[0].flash[a], image.bytes[a]) << a;
    EXPECT_EQ(dispatcher->Slot(0).step, 4);
    EXPECT_EQ(dispatcher->DoneCount(), 1);
    EXPECT_EQ(observer.Count(notice::kRunFinished), 1);
    EXPECT_TRUE(observer.errors.empty());
    EXPECT_EQ(ports->lastTimeout, 60000u);
    EXPECT_TRUE(observer.disconnectEnabled);
}

TEST_F(RomRun, ShortImagesGetAShortLastBlockAndAnEmptyLastRange)
{
    // lastAddress 0x0100: two full blocks, then one byte.
    LoadImage(0x0100);
    Make(1);
    dispatcher->BeginRomRun();
    Drive();
    auto blocks = SentOf(0, code::kProgram);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[2].substr(0, 9), ":01010000");
    auto ranges = SentOf(0, code::kReadBack);
    ASSERT_EQ(ranges.size(), 2u);
    EXPECT_EQ(ranges[1].substr(9, 8), "040003FF");
    EXPECT_EQ(observer.Count(notice::kRunFinished), 1);

    // lastAddress 0x05FF: the second range is 0400-05FF, 1,271 characters.
    LoadImage(0x05FF);
    Make(1);
    options = {false, false, false, true};
    modules[0].flash = image.bytes;
    dispatcher->BeginRomRun();
    Drive();
    ranges = SentOf(0, code::kReadBack);
    ASSERT_EQ(ranges.size(), 2u);
    EXPECT_EQ(ranges[1], ":05000004040005FF00EF");
    EXPECT_EQ(dispatcher->Slot(0).readBackExpected, 1271u);
    EXPECT_EQ(dispatcher->DoneCount(), 1);

    // Smaller than one block: still one full block 0000-007F.
    LoadImage(0x0010);
    Make(1);
    options = {true, false, true, false};
    dispatcher->BeginRomRun();
    Drive();
    blocks = SentOf(0, code::kProgram);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].size(), 267u);
    EXPECT_EQ(modules[0].flash[0x7F], 0xFF);
    EXPECT_EQ(dispatcher->DoneCount(), 1);
}

TEST_F(RomRun, FullImageEndsVerificationWithoutAFifthAddressDigit)
{
    LoadImage(0xFFFF);
    Make(1);
    dispatcher->BeginRomRun();
    Drive();
    const auto ranges = SentOf(0, code::kReadBack);
    ASSERT_EQ(ranges.size(), 65u);
    EXPECT_EQ(ranges[63].substr(9, 8), "FC00FFFF");
    EXPECT_EQ(ranges[64].size(), 21u);
    EXPECT_EQ(ranges[64].substr(9, 8), "FFFFFFFE");
    EXPECT_EQ(modules[0].flash, image.bytes);
    EXPECT_EQ(dispatcher->DoneCount(), 1);
    EXPECT_TRUE(observer.errors.empty());
}

TEST_F(RomRun, PhasesFollowTheOptionBoxes)
{
    LoadImage(0x0FFF);
    Make(1);
    options = {false, false, false, false};
    dispatcher->BeginRomRun();
    Drive();
    EXPECT_EQ(ports->sent[0].size(), 1u);  // the handshake alone
    EXPECT_EQ(dispatcher->DoneCount(), 1);

    Make(1);
    options = {false, true, false, false};
    dispatcher->BeginRomRun();
    Drive();
    ASSERT_EQ(ports->sent[0].size(), 2u);
    EXPECT_EQ(ports->sent[0][1].bytes, ":0500000400007FFF0178");

    Make(1);
    options = {false, false, false, true};
    modules[0].flash = image.bytes;
    dispatcher->BeginRomRun();
    Drive();
    EXPECT_EQ(SentOf(0, code::kErase).size() + SentOf(0, code::kProgram).size(), 0u);
    EXPECT_EQ(SentOf(0, code::kReadBack).size(), 5u);
    EXPECT_EQ(dispatcher->DoneCount(), 1);
}

TEST_F(RomRun, RunEndsOnceAndOnlyWhenEveryPortFinished)
{
    LoadImage(0x00FF);
    Make(3);
    ports->checked[1] = false;
    dispatcher->BeginRomRun();
    EXPECT_EQ(ports->sent[1].size(), 0u);
    EXPECT_EQ(dispatcher->PortsToRun(), 2);
    Drive();
    EXPECT_EQ(dispatcher->DoneCount(), 2);
    EXPECT_EQ(observer.Count(notice::kRunFinished), 1);
    EXPECT_EQ(observer.notices.back().notice.code, notice::kRunFinished);

    // A stray extra "U" after the run cannot count a port twice.
    dispatcher->OnReceivedData(0, "U", 1);
    EXPECT_EQ(observer.Count(notice::kRunFinished), 1);

    // One silent port: the other finishes, the run never ends.
    Make(2);
    silent = {false, true};
    dispatcher->BeginRomRun();
    Drive();
    EXPECT_EQ(dispatcher->DoneCount(), 1);
    EXPECT_EQ(observer.Count(notice::kRunFinished), 0);
    ports->Close(1);
    dispatcher->OnChannelEvent(1, 11, code::kHandshake);
    EXPECT_EQ(observer.errors.at("ttyV1"), "Time Out!");
    EXPECT_EQ(dispatcher->FailCount(), 1);
    EXPECT_EQ(observer.Count(notice::kRunFinished), 0);
}

TEST_F(RomRun, RepliesCompleteOnlyAtTheirExactLength)
{
    LoadImage(0x00FF);
    options = {true, false, false, false};
    Make(1);
    dispatcher->BeginRomRun();
    dispatcher->OnReceivedData(0, "U", 1);
    ASSERT_EQ(ports->sent[0].back().code, code::kErase);
    const std::string reply = std::string(kEraseRecord) + ".\r\n";
    dispatcher->OnReceivedData(0, reply.data(), 5);
    dispatcher->OnReceivedData(0, reply.data() + 5, 5);
    EXPECT_TRUE(ports->awaiting[0]);
    EXPECT_EQ(dispatcher->DoneCount(), 0);
    dispatcher->OnReceivedData(0, reply.data() + 10, reply.size() - 10);
    EXPECT_FALSE(ports->awaiting[0]);
    EXPECT_EQ(dispatcher->DoneCount(), 1);

    // One byte too many in the same chunk: never complete.
    Make(1);
    dispatcher->BeginRomRun();
    dispatcher->OnReceivedData(0, "U", 1);
    const std::string longer = reply + "x";
    dispatcher->OnReceivedData(0, longer.data(), longer.size());
    EXPECT_TRUE(ports->awaiting[0]);
    EXPECT_EQ(dispatcher->DoneCount(), 0);
}

TEST_F(RomRun, RefusedHandshakeStopsThePortWithItsCause)
{
    LoadImage(0x00FF);
    options = {};
    Make(1);
    dispatcher->BeginRomRun();
    dispatcher->OnReceivedData(0, "\x00U", 2);
    EXPECT_EQ(ports->images[0], port_image::kClosed);
    EXPECT_EQ(observer.errors.at("ttyV0"), "Wrong reply!");
    EXPECT_FALSE(ports->awaiting[0]);
    dispatcher->OnReceivedData(0, "U", 1);
    EXPECT_FALSE(dispatcher->OnChannelEvent(0, kEventTimeOut, code::kHandshake));
    EXPECT_EQ(observer.errors.at("ttyV0"), "Wrong reply!");
    EXPECT_EQ(dispatcher->DoneCount(), 0);
    EXPECT_EQ(dispatcher->FailCount(), 1);
    EXPECT_EQ(observer.runsEnded, 1);
}

TEST_F(RomRun, RefusedBlockAndWrongReadBackStopThePort)
{
    LoadImage(0x01FF);
    options = {false, false, true, false};
    Make(2);
    dispatcher->BeginRomRun();
    dispatcher->OnReceivedData(0, "U", 1);
    dispatcher->OnReceivedData(1, "U", 1);
    const std::string refused = ports->sent[0].back().bytes + "X\r\n";
    dispatcher->OnReceivedData(0, refused.data(), refused.size());
    EXPECT_EQ(observer.errors.at("ttyV0"), "Check sum");
    EXPECT_FALSE(ports->awaiting[0]);  // no time-out comes to take its place
    Drive();
    EXPECT_EQ(dispatcher->DoneCount(), 1);
    EXPECT_EQ(observer.Count(notice::kRunFinished), 0);

    // Verify against a module holding one wrong byte.
    options = {false, false, false, true};
    Make(1);
    modules[0].flash = image.bytes;
    modules[0].flash[0x0123] ^= 0x01;
    dispatcher->BeginRomRun();
    Drive();
    EXPECT_EQ(observer.errors.at("ttyV0"), "Verification Fail!");
    EXPECT_EQ(dispatcher->DoneCount(), 0);

    // "L" right after the echo.
    Make(1);
    dispatcher->BeginRomRun();
    dispatcher->OnReceivedData(0, "U", 1);
    std::string marked = ports->sent[0].back().bytes + "L\n" + modules[0].Display(0, 0x3FF);
    marked.resize(2519, '\n');
    observer.errors.clear();
    dispatcher->OnReceivedData(0, marked.data(), marked.size());
    EXPECT_EQ(observer.errors.at("ttyV0"), "Verification Fail!");
}

TEST_F(RomRun, ProgrammingOrVerifyingWithoutImageIsRefused)
{
    Make(2);
    for (const RomOptions& phases : {RomOptions{false, false, false, true}, RomOptions{true, true, true, false}}) {
        options = phases;
        observer.messages.clear();
        EXPECT_FALSE(dispatcher->RomImageReady());
        EXPECT_EQ(observer.messages, (std::vector<std::string>{"Veltra Downloader: Please, load a ROM file..."}));
    }
    options = {true, true, false, false};
    EXPECT_TRUE(dispatcher->RomImageReady());
    EXPECT_TRUE(ports->sent[0].empty());
}

TEST_F(RomRun, EraseProgressNeverReachesTheFullBar)
{
    LoadImage(0x00FF);
    options = {true, false, false, false};
    Make(1);
    dispatcher->BeginRomRun();
    dispatcher->OnReceivedData(0, "U", 1);
    const size_t before = observer.notices.size();
    for (int tick = 0; tick < 20; ++tick)
        dispatcher->OnEraseTick(0);
    int shown = 0;
    for (size_t i = before; i < observer.notices.size(); ++i) {
        EXPECT_EQ(observer.notices[i].notice.code, notice::kProgress);
        shown += observer.notices[i].notice.value;
    }
    EXPECT_EQ(shown, 99);
}

TEST_F(RomRun, InitialEraseAtApplicationRateWithOptionalModeMark)
{
    Make(2);
    ports->checked[1] = false;
    dispatcher->RunInitialErase(true);
    EXPECT_EQ(ports->baud[0], 9600u);
    EXPECT_EQ(ports->baud[1], 115200u);
    ASSERT_EQ(ports->sent[0].size(), 2u);
    EXPECT_EQ(ports->sent[0][0].code, code::kModeMark);
    EXPECT_EQ(ports->sent[0][0].bytes, BuildEepromWrite(509, 0xAA));
    EXPECT_EQ(ports->sent[0][1].code, code::kInitialErase);
    EXPECT_EQ(ports->sent[0][1].bytes, BuildInitialEraseRequest());
    EXPECT_TRUE(ports->sent[1].empty());

    Make(1);
    dispatcher->RunInitialErase(false);
    ASSERT_EQ(ports->sent[0].size(), 1u);
    EXPECT_EQ(ports->sent[0][0].code, code::kInitialErase);
}
