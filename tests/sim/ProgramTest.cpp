#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "CommandLine.h"
#include "Console.h"
#include "DeviceLinks.h"
#include "EepromFile.h"
#include "TempDir.h"
#include "Pty.h"

namespace veltra::sim {
namespace {

// veltra-sim as the demo runs it, in the background without a console; the
// shell that starts it first prints the process id it hands over.
class SimProcess {
public:
    explicit SimProcess(const std::string& args)
        : output_(::popen(("sh -c 'echo $$; exec " VELTRA_PROGRAM_DIR "/veltra-sim " + args + "' </dev/null").c_str(), "r")),
          pid_(std::atoi(ReadLine().c_str()))
    {
    }
    ~SimProcess()
    {
        if (output_ != nullptr) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
    }

    // The next line it prints, without the newline; empty when none comes in time.
    std::string ReadLine()
    {
        std::string line;
        char c = 0;
        pollfd fd{::fileno(output_), POLLIN, 0};
        while (::poll(&fd, 1, 10000) > 0 && ::read(fd.fd, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }

    int Stop()
    {
        ::kill(pid_, SIGTERM);
        return Wait();
    }

    int Wait()
    {
        const int status = ::pclose(output_);
        output_ = nullptr;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    std::FILE* output_;
    pid_t pid_;
};

TEST(SimProgram, ServesUntilSignalledLeavesItsMemoryBehindAndRefusesWhatItCannotServe)
{
    veltra::testing::TempDir dir;
    const std::string eeprom = std::string(511, '\x5A') + '\x7E';
    SimProcess sim("--modules 2 --boot --eeprom " + dir.Write("module.bin", eeprom) + " --link-dir " + dir.File("links") +
                   " --dump " + dir.File("dump"));
    EXPECT_TRUE(sim.ReadLine().starts_with("/dev/pts/"));
    const std::string second = sim.ReadLine();
    ASSERT_TRUE(second.starts_with("/dev/pts/")) << second;
    EXPECT_EQ(std::filesystem::read_symlink(dir.File("links/ttyVM1")), second);
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_EQ(veltra::testing::TempDir::Read(dir.File("dump/module1.eeprom.bin")), eeprom);
    EXPECT_EQ(veltra::testing::TempDir::Read(dir.File("dump/module0.flash.bin")), std::string(65536, '\xFF'));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir.File("links/ttyVM1"))));

    EXPECT_EQ(SimProcess("--modules 2 --on 5 --silent").Wait(), 2);
    EXPECT_EQ(SimProcess("--eeprom " + dir.Write("short.bin", std::string(100, '\0'))).Wait(), 1);
}

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
        EXPECT_EQ(std::tuple(m.start, m.lineRateEmulation, m.eraseTime.count(), m.faults.replyDelay.count()),
                  std::tuple(Personality::BootLoader, true, 50, 5));
        EXPECT_EQ(std::tuple(m.faults.readBackMark, m.faults.handshakeNoise, m.seed), std::tuple('L', "\xF8\xF8", 7u + i));
        EXPECT_EQ(m.faults.silentAfterRequests, i == 1 ? std::optional<std::size_t>(4) : std::nullopt);
        EXPECT_EQ(m.faults.stuckBit.has_value(), i == 1);
    }
    const StuckBit stuck = options.perModule[1].faults.stuckBit.value_or(StuckBit{});
    EXPECT_EQ(std::tuple(stuck.address, stuck.bit, stuck.level), std::tuple(0x7F00, 3, 0));
    ASSERT_EQ(options.failingItems.size(), 1u);
    const auto& failing = options.failingItems[0];
    EXPECT_EQ(std::tuple(failing.module, failing.item, failing.code), std::tuple(1u, 6, -2));

    for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
             {"--modules", "0"}, {"--on", "2"}, {"--nak-block"}, {"--stuck-bit", "0x10000:1"}, {"--stuck-bit", "5:8"},
             {"--fail-item", "9:1"}, {"--fail-item", "3:0"}, {"--readback-mark", "Y"}, {"--delay", "ten"}, {"--frobnicate"}}) {
        error.clear();
        EXPECT_FALSE(ParseCommandLine(wrong, options, error)) << wrong[0];
        EXPECT_FALSE(error.empty());
    }
}

// A whole image goes in as it is, as the program's run shows by its dump.
TEST(SimProgram, EepromImagesMustBeWhole)
{
    veltra::testing::TempDir dir;
    std::string error;
    EXPECT_FALSE(LoadEepromFile(dir.Write("short.bin", std::string(511, '\0')), error));
    EXPECT_NE(error.find("511"), std::string::npos) << error;

    // A parameter file puts each row's bytes at its address; R rows are left
    // erased, and what lies past the EEPROM is dropped.
    const auto rows = LoadEepromFile(dir.Write("params.vtp", ",0010,Unit,2,U,258\n,0012,Spare,1,R,\n,01FE,Tail,4,H,0x0a0b0c0d\n"), error);
    ASSERT_TRUE(rows) << error;
    EXPECT_EQ(std::tuple((*rows)[0x10], (*rows)[0x11], (*rows)[0x12], (*rows)[0x1FE], (*rows)[0x1FF]),
              std::tuple(0x01, 0x02, 0xFF, 0x0A, 0x0B));
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
    {
        veltra::testing::Line line(links.LinkPath(1), 9600);
        line.Write("\x1B");
        ASSERT_TRUE(line.WaitForHangUp(std::chrono::seconds(5)));
    }
    Console console(bench, &links);
    EXPECT_NE(console.Run("state 1").find("hung up"), std::string::npos);
    EXPECT_NE(console.Run("boot 1").find("boot loader"), std::string::npos);
    EXPECT_EQ(bench.Module(1).Running(), Personality::BootLoader);
    EXPECT_FALSE(bench.Module(1).HungUp());
    EXPECT_EQ(std::filesystem::read_symlink(links.LinkPath(1)), bench.Module(1).Path()) << "the link follows the new terminal";

    console.Run("app 0");
    EXPECT_EQ(bench.Module(0).Running(), Personality::Application);
    EXPECT_NE(console.Run("state").find("module 0: " + bench.Module(0).Path()), std::string::npos);
    EXPECT_NE(console.Run("boot 2").find("no module 2"), std::string::npos);
    EXPECT_NE(console.Run("reboot").find("unknown command"), std::string::npos);
    EXPECT_FALSE(console.QuitRequested());
    console.Run("quit");
    EXPECT_TRUE(console.QuitRequested());
}

}  // namespace
}  // namespace veltra::sim
