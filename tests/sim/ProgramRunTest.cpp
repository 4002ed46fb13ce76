#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "TempDir.h"

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

TEST(SimProgram, ServesUntilSignalledAndLeavesItsMemoryBehind)
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
}

TEST(SimProgram, RefusesWhatItCannotServe)
{
    veltra::testing::TempDir dir;
    EXPECT_EQ(SimProcess("--modules 2 --on 5 --silent").Wait(), 2);
    EXPECT_EQ(SimProcess("--eeprom " + dir.Write("short.bin", std::string(100, '\0'))).Wait(), 1);
}

}  // namespace
}  // namespace veltra::sim
