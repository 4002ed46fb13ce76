#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "Frames.h"
#include "TestLine.h"
#include "VirtualBench.h"

namespace veltra::sim {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
using testing::HexRecord;
using testing::ReadBackRecord;
using testing::TestLine;

const std::string kEepromRead464 = Bytes({0x1B, 0x45, 0x52, 0x00, 0x00, 0x01, 0xD0, 0xC6, 0x0D});
const std::string kInitialErase = Bytes({0x1B, 0x44, 0x52, 0x00, 0x00, 0x00, 0x64, 0x72, 0x0D});

std::string EepromWrite(std::uint16_t address, std::uint8_t value)
{
    const int high = address >> 8;
    const int low = address & 0xFF;
    return Bytes({0x1B, 0x45, 0x57, 0, 0, high, low, 0, 0, 0, value, 0x45 ^ 0x57 ^ high ^ low ^ value, 0x0D});
}

ModuleOptions BootOptions()
{
    ModuleOptions options;
    options.start = Personality::BootLoader;
    return options;
}

TEST(SimModule, ApplicationAnswersOnlyAt9600)
{
    VirtualModule module;
    module.SetEeprom(464, std::vector<std::uint8_t>{0x08});
    TestLine line(module.Path(), 57600);
    line.Write(kEepromRead464);
    ASSERT_TRUE(module.WaitForRequests(1, 5s));
    EXPECT_EQ(line.Pending(), "");
    EXPECT_EQ(module.Requests()[0].rate, 57600u);
    EXPECT_FALSE(module.Requests()[0].answered);

    line.SetRate(14400);
    line.Write(kEepromRead464);
    ASSERT_TRUE(module.WaitForRequests(2, 5s));
    EXPECT_EQ(line.Pending(), "");
    EXPECT_EQ(module.Requests()[1].rate, 14400u);

    line.SetRate(9600);
    EXPECT_EQ(module.LineRate(), 9600u);
    line.Write(kEepromRead464);
    EXPECT_EQ(line.Read(13), Bytes({0x1B, 0x45, 0x52, 0x00, 0x00, 0x01, 0xD0, 0x00, 0x00, 0x00, 0x08, 0xCE, 0x0D}));
    line.Write(EepromWrite(300, 0x5A));
    EXPECT_EQ(line.Read(13), EepromWrite(300, 0x5A));
    EXPECT_EQ(module.Eeprom()[300], 0x5A);
    EXPECT_EQ(module.Requests().back().rate, 9600u);
}

TEST(SimModule, DownloadThroughTheBootLoader)
{
    ModuleOptions options = BootOptions();
    options.eraseTime = 30ms;
    VirtualModule module(options);
    TestLine line(module.Path(), 115200);

    line.Write("U");
    EXPECT_EQ(line.Read(1), "U");
    const auto started = std::chrono::steady_clock::now();
    line.Write(":0100000307F5");
    EXPECT_EQ(line.Read(16), ":0100000307F5.\r\n");
    EXPECT_GE(std::chrono::steady_clock::now() - started, 30ms) << "the erase takes its time";
    line.Write(":0500000400007FFF0178");
    EXPECT_EQ(line.Read(24), ":0500000400007FFF0178.\r\n");

    std::vector<std::uint8_t> image(0x400);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i ^ (i >> 8));
    }
    for (std::uint16_t address = 0; address < image.size(); address += 128) {
        const std::string record =
            HexRecord(address, 0x00, std::vector<std::uint8_t>(image.begin() + address, image.begin() + address + 128));
        line.Write(record);
        EXPECT_EQ(line.Read(270), record + ".\r\n");
    }
    for (const char* record : {":03000003060000F4", ":030000030A0400EC", ":030000030A0400EC", ":030000030A0800E8"}) {
        line.Write(record);
        EXPECT_EQ(line.Read(20), std::string(record) + ".\r\n");
    }
    line.Write(":05000004000003FF00F5");
    const std::string readBack = line.Read(2519);
    ASSERT_EQ(readBack.size(), 2519u);
    EXPECT_EQ(readBack.substr(23 + 39 * 63, 39), "03F0=" + HexRecord(0, 0, std::vector<std::uint8_t>(image.end() - 16, image.end())).substr(9, 32) + "\r\n");
    EXPECT_EQ(line.Pending(), "") << "nothing follows the last line";

    const auto flash = module.Flash();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
    EXPECT_EQ(flash[0x400], 0xFF);
}

TEST(SimModule, InitialEraseAndRestartsSwitchPersonality)
{
    VirtualModule module;
    TestLine line(module.Path(), 9600);
    line.Write(kInitialErase);
    ASSERT_TRUE(module.WaitForRequests(1, 5s));
    EXPECT_EQ(module.Running(), Personality::BootLoader);
    EXPECT_EQ(line.Pending(), "");

    line.SetRate(115200);
    line.Write("U");
    EXPECT_EQ(line.Read(1), "U");

    module.Restart(Personality::Application);
    EXPECT_EQ(module.Running(), Personality::Application);
    line.SetRate(9600);
    line.Write(kEepromRead464);
    EXPECT_EQ(line.Read(13).size(), 13u);

    module.Restart(Personality::BootLoader);
    line.SetRate(57600);
    line.Write("U");
    EXPECT_EQ(line.Read(1), "U");
}

TEST(SimModule, ToolMayCloseAndReopenTheLine)
{
    VirtualModule module;
    for (int round = 0; round < 3; ++round) {
        TestLine line(module.Path(), 9600);
        line.Write(EepromWrite(10, static_cast<std::uint8_t>(round)));
        EXPECT_EQ(line.Read(13), EepromWrite(10, static_cast<std::uint8_t>(round))) << "round " << round;
    }
    EXPECT_EQ(module.Eeprom()[10], 2);
}

TEST(SimModule, RepliesComeInPiecesWhenAsked)
{
    ModuleOptions options = BootOptions();
    options.faults.chunkMax = 16;
    VirtualModule module(options);
    TestLine line(module.Path(), 115200);
    line.Write("U");
    EXPECT_EQ(line.Read(1), "U");
    line.Write(":05000004000003FF00F5");
    const std::string readBack = line.Read(2519);
    ASSERT_EQ(readBack.size(), 2519u);
    EXPECT_EQ(readBack.substr(21, 7), "\r\n0000=");
    EXPECT_GT(line.Chunks(), 2u);
}

TEST(SimModule, RepliesAreNeverEarly)
{
    ModuleOptions options = BootOptions();
    options.faults.replyDelay = 80ms;
    VirtualModule module(options);
    TestLine line(module.Path(), 115200);
    auto started = std::chrono::steady_clock::now();
    line.Write("U");
    EXPECT_EQ(line.Read(1), "U");
    EXPECT_GE(std::chrono::steady_clock::now() - started, 80ms);

    // At the line's own pace the 2,519 characters of a full read-back reply
    // take 10 bits each at 115,200 bit/s; the echo runs alongside the request,
    // one character behind it.
    module.SetFaults({});
    module.SetLineRateEmulation(true);
    // Timed from before the write: the module may take the request before
    // Write returns here, and keeps to the moment it did.
    started = std::chrono::steady_clock::now();
    line.Write(":05000004000003FF00F5");
    EXPECT_EQ(line.Read(2519).size(), 2519u);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::microseconds((2519 + 1) * 10 * 1'000'000LL / 115200));
}

TEST(SimModule, HangsUpAfterItsBytes)
{
    ModuleOptions options = BootOptions();
    options.faults.hangUpAfterBytes = 5;
    VirtualModule module(options);
    module.SetFlash(0, std::vector<std::uint8_t>{0x12});
    const std::string firstPath = module.Path();
    {
        TestLine line(firstPath, 9600);
        line.Write("U");
        EXPECT_EQ(line.Read(1), "U");
        line.Write(":0100000307F5");
        EXPECT_TRUE(line.WaitForHangUp(5s));
        EXPECT_TRUE(module.HungUp());
        EXPECT_EQ(module.Requests().size(), 1u) << "the erase record never arrived whole";
        EXPECT_EQ(module.Flash()[0], 0x12);
    }
    module.SetFaults({});
    module.Restart(Personality::BootLoader);
    EXPECT_FALSE(module.HungUp());
    TestLine line(module.Path(), 9600);
    line.Write("U");
    EXPECT_EQ(line.Read(1), "U");
}

TEST(SimBench, ModulesServeTheirOwnLinesAtOnce)
{
    VirtualBench bench(4);
    ASSERT_EQ(bench.Size(), 4u);
    Faults silent;
    silent.silent = true;
    bench.Module(3).SetFaults(silent);

    std::vector<std::thread> tools;
    std::atomic<int> answered{0};
    for (std::size_t i = 0; i < bench.Size(); ++i) {
        tools.emplace_back([&, i] {
            TestLine line(bench.Module(i).Path(), 9600);
            for (std::uint16_t address = 0; address < 64; ++address) {
                const std::string request = EepromWrite(address, static_cast<std::uint8_t>(i + 1));
                line.Write(request);
                if (i == 3) {
                    bench.Module(i).WaitForRequests(address + 1u, 5s);
                } else if (line.Read(13) == request) {
                    ++answered;
                }
            }
        });
    }
    for (auto& tool : tools) {
        tool.join();
    }
    EXPECT_EQ(answered, 3 * 64);
    for (std::size_t i = 0; i < bench.Size(); ++i) {
        const auto eeprom = bench.Module(i).Eeprom();
        EXPECT_TRUE(std::all_of(eeprom.begin(), eeprom.begin() + 64, [&](std::uint8_t b) { return b == i + 1; })) << "module " << i;
        EXPECT_EQ(bench.Module(i).Requests().size(), 64u);
        EXPECT_NE(bench.Module(i).Path(), bench.Module((i + 1) % 4).Path());
    }
}

}  // namespace
}  // namespace veltra::sim
