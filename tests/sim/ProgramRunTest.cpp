#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "Frames.h"
#include "TempDir.h"
#include "TestLine.h"

namespace veltra::sim {
namespace {

using namespace std::chrono_literals;

// veltra-sim as the demo runs it: a child process with its standard input and
// output on pipes.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args)
    {
        int in[2];
        int out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::close(in[1]);
            ::close(out[0]);
            std::vector<char*> argv;
            const std::string program = std::string(VELTRA_PROGRAM_DIR) + "/veltra-sim";
            argv.push_back(const_cast<char*>(program.c_str()));
            for (const auto& arg : args) {
                argv.push_back(const_cast<char*>(arg.c_str()));
            }
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        input_ = in[1];
        output_ = out[0];
    }

    ~SimProcess()
    {
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(input_);
        ::close(output_);
    }

    // One line of its output, without the newline; empty when none came in time.
    std::string ReadLine(std::chrono::milliseconds limit = 10s)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            if (const auto end = buffer_.find('\n'); end != std::string::npos) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd fd{output_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
                return "";
            }
            char chunk[256];
            const auto count = ::read(output_, chunk, sizeof chunk);
            if (count <= 0) {
                return "";
            }
            buffer_.append(chunk, static_cast<std::size_t>(count));
        }
    }

    void Type(const std::string& line) { [[maybe_unused]] const auto n = ::write(input_, line.data(), line.size()); }
    void Signal(int number) { ::kill(pid_, number); }

    // The exit status once the process has ended.
    int Wait()
    {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        waited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    bool waited_ = false;
    int input_ = -1;
    int output_ = -1;
    std::string buffer_;
};

TEST(SimProgram, ServesUntilSignalledAndLeavesItsMemoryBehind)
{
    veltra::testing::TempDir dir;
    SimProcess sim({"--modules", "2", "--boot", "--erase-ms", "0", "--link-dir", dir.File("links"), "--dump", dir.File("dump")});
    const std::string first = sim.ReadLine();
    const std::string second = sim.ReadLine();
    ASSERT_TRUE(first.starts_with("/dev/pts/")) << first;
    ASSERT_TRUE(second.starts_with("/dev/pts/")) << second;
    EXPECT_EQ(std::filesystem::read_symlink(dir.File("links/ttyVM1")), second);

    {
        testing::TestLine line(dir.File("links/ttyVM1"), 57600);
        line.Write("U");
        ASSERT_EQ(line.Read(1), "U");
        const std::string record = testing::HexRecord(0x0010, 0x00, {0xA5, 0x5A});
        line.Write(record);
        ASSERT_EQ(line.Read(record.size() + 3), record + ".\r\n");
    }
    sim.Type("state 1\n");
    const std::string state = sim.ReadLine();
    EXPECT_NE(state.find("module 1: " + second + ", boot loader"), std::string::npos) << state;
    EXPECT_NE(state.find("2 requests"), std::string::npos) << state;

    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
    const std::string flash = veltra::testing::TempDir::Read(dir.File("dump/module1.flash.bin"));
    ASSERT_EQ(flash.size(), 65536u);
    EXPECT_EQ(flash.substr(0x0F, 4), "\xFF\xA5\x5A\xFF");
    EXPECT_EQ(veltra::testing::TempDir::Read(dir.File("dump/module0.eeprom.bin")), std::string(512, '\xFF'));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir.File("links/ttyVM1"))));
}

TEST(SimProgram, RefusesWhatItCannotServe)
{
    veltra::testing::TempDir dir;
    SimProcess wrongOption({"--modules", "2", "--on", "5", "--silent"});
    EXPECT_EQ(wrongOption.Wait(), 2);
    SimProcess shortImage({"--eeprom", dir.Write("short.bin", std::string(100, '\0'))});
    EXPECT_EQ(shortImage.Wait(), 1);
}

}  // namespace
}  // namespace veltra::sim
