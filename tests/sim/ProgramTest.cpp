#include <gtest/gtest.h>

#include <filesystem>

#include "CommandLine.h"
#include "Console.h"
#include "DeviceLinks.h"
#include "EepromFile.h"
#include "TempDir.h"
#include "TestLine.h"

namespace veltra::sim {
namespace {

TEST(SimProgram, OptionsReachTheModulesTheyName)
{
    ProgramOptions options;
    std::string error;
    ASSERT_TRUE(ParseCommandLine({"--modules", "3", "--boot", "--line-rate", "--erase-ms", "50", "--delay", "5", "--on", "1",
                                  "--silent-after", "4", "--stuck-bit", "0x7F00:3:0", "--fail-item", "6:-2", "--on", "all",
                                  "--readback-mark", "L", "--noise", "2", "--seed", "7"},
                                 options, error))
        << error;
    ASSERT_EQ(options.perModule.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const ModuleOptions& m = options.perModule[i];
        EXPECT_EQ(m.start, Personality::BootLoader);
        EXPECT_TRUE(m.lineRateEmulation);
        EXPECT_EQ(m.eraseTime, std::chrono::milliseconds(50));
        EXPECT_EQ(m.faults.replyDelay, std::chrono::milliseconds(5));
        EXPECT_EQ(m.faults.readBackMark, 'L');
        EXPECT_EQ(m.faults.handshakeNoise, "\xF8\xF8");
        EXPECT_EQ(m.seed, 7u + i);
        EXPECT_EQ(m.faults.silentAfterRequests.has_value(), i == 1);
        EXPECT_EQ(m.faults.stuckBit.has_value(), i == 1);
    }
    EXPECT_EQ(options.perModule[1].faults.silentAfterRequests, 4u);
    EXPECT_EQ(options.perModule[1].faults.stuckBit->address, 0x7F00);
    EXPECT_EQ(options.perModule[1].faults.stuckBit->bit, 3);
    EXPECT_EQ(options.perModule[1].faults.stuckBit->level, 0);
    ASSERT_EQ(options.failingItems.size(), 1u);
    EXPECT_EQ(options.failingItems[0].module, 1u);
    EXPECT_EQ(options.failingItems[0].item, 6);
    EXPECT_EQ(options.failingItems[0].code, -2);

    for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
             {"--modules", "0"}, {"--on", "2"}, {"--nak-block"}, {"--stuck-bit", "0x10000:1"}, {"--stuck-bit", "5:8"},
             {"--fail-item", "9:1"}, {"--fail-item", "3:0"}, {"--readback-mark", "Y"}, {"--delay", "ten"}, {"--frobnicate"}}) {
        ProgramOptions ignored;
        EXPECT_FALSE(ParseCommandLine(wrong, ignored, error)) << wrong[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(SimProgram, EepromImagesMustBeWhole)
{
    veltra::testing::TempDir dir;
    std::string image(512, '\0');
    image[464] = 0x08;
    image[511] = 0x7E;
    std::string error;
    const auto loaded = LoadEepromFile(dir.Write("module.bin", image), error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ((*loaded)[464], 0x08);
    EXPECT_EQ((*loaded)[511], 0x7E);
    EXPECT_EQ((*loaded)[0], 0x00);

    EXPECT_FALSE(LoadEepromFile(dir.Write("short.bin", image.substr(1)), error));
    EXPECT_NE(error.find("511"), std::string::npos) << error;
    EXPECT_FALSE(LoadEepromFile(dir.File("missing.bin"), error));

    // A parameter file puts each row's bytes at its address; R rows are left erased.
    const auto fromRows = LoadEepromFile(
        dir.Write("params.vtp", "# header\r\n,0010,Unit,2,U,258\r\n,0012,Spare,1,R,\r\n,01FE,Tail,4,H,0x0a0b0c0d\r\n"),
        error);
    ASSERT_TRUE(fromRows) << error;
    EXPECT_EQ((*fromRows)[0x10], 0x01);
    EXPECT_EQ((*fromRows)[0x11], 0x02);
    EXPECT_EQ((*fromRows)[0x12], 0xFF);
    EXPECT_EQ((*fromRows)[0x1FE], 0x0A);
    EXPECT_EQ((*fromRows)[0x1FF], 0x0B);  // the rest lies past the EEPROM
    EXPECT_FALSE(LoadEepromFile(dir.File("missing.vtp"), error));
}

TEST(SimProgram, ConsoleRestartsModulesAndFollowsTheirLinks)
{
    veltra::testing::TempDir dir;
    DeviceLinks links(dir.File("links"));
    ModuleOptions options;
    options.faults.hangUpAfterBytes = 1;
    VirtualBench bench(2, options);
    std::string error;
    ASSERT_TRUE(links.Point(1, bench.Module(1).Path(), error)) << error;
    ASSERT_EQ(std::filesystem::read_symlink(links.LinkPath(1)), bench.Module(1).Path());

    {
        testing::TestLine line(links.LinkPath(1), 9600);
        line.Write("\x1B");
        ASSERT_TRUE(line.WaitForHangUp(std::chrono::seconds(5)));
    }
    Console console(bench, &links);
    EXPECT_NE(console.Run("state 1").find("hung up"), std::string::npos);
    const std::string restarted = console.Run("boot 1");
    EXPECT_NE(restarted.find("boot loader"), std::string::npos) << restarted;
    EXPECT_EQ(bench.Module(1).Running(), Personality::BootLoader);
    EXPECT_FALSE(bench.Module(1).HungUp());
    EXPECT_EQ(std::filesystem::read_symlink(links.LinkPath(1)), bench.Module(1).Path()) << "the link follows the new terminal";

    console.Run("app 0");
    EXPECT_EQ(bench.Module(0).Running(), Personality::Application);
    const std::string all = console.Run("state");
    EXPECT_NE(all.find("module 0: " + bench.Module(0).Path()), std::string::npos) << all;
    EXPECT_NE(all.find("module 1: "), std::string::npos) << all;
    EXPECT_NE(console.Run("boot 2").find("no module 2"), std::string::npos);
    EXPECT_NE(console.Run("reboot").find("unknown command"), std::string::npos);
    EXPECT_FALSE(console.QuitRequested());
    console.Run("quit");
    EXPECT_TRUE(console.QuitRequested());
}

}  // namespace
}  // namespace veltra::sim
