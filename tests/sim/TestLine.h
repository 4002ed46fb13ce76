#pragma once

// Rates such as 14,400 need BOTHER, which only the kernel's own termios2 has;
// whatever includes this file must leave <termios.h> out.
#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

namespace veltra::sim::testing {

// The tool's end of a virtual module's line, as a test drives it: the slave
// opened raw, 8N1, at any rate.
class TestLine {
public:
    TestLine(const std::string& path, std::uint32_t rate) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
        struct termios2 settings {};
        settings.c_cflag = BOTHER | CS8 | CREAD | CLOCAL;
        settings.c_ispeed = rate;
        settings.c_ospeed = rate;
        if (fd_ < 0 || ::ioctl(fd_, TCSETS2, &settings) != 0)
            throw std::system_error(errno, std::generic_category(), path);
    }
    ~TestLine() { ::close(fd_); }
    TestLine(const TestLine&) = delete;
    TestLine& operator=(const TestLine&) = delete;

    void Write(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
            if (written < 0)
                throw std::system_error(errno, std::generic_category(), "write");
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
    }

    // Reads until `count` bytes have arrived or `limit` has passed; returns what came.
    std::string Read(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        std::string received;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (received.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd in{fd_, POLLIN, 0};
            char buffer[8193];
            if (left.count() <= 0 || ::poll(&in, 1, static_cast<int>(left.count())) <= 0 || (in.revents & POLLIN) == 0)
                break;
            const auto got = ::read(fd_, buffer, std::min(sizeof buffer, count - received.size()));
            if (got <= 0)
                break;
            received.append(buffer, static_cast<std::size_t>(got));
            ++chunks_;
        }
        return received;
    }

    // How many separate reads have returned data so far.
    std::size_t Chunks() const { return chunks_; }

    // Waits until the module hangs up; false when `limit` passed first.
    bool WaitForHangUp(std::chrono::milliseconds limit)
    {
        pollfd in{fd_, 0, 0};
        return ::poll(&in, 1, static_cast<int>(limit.count())) > 0 && (in.revents & POLLHUP) != 0;
    }

private:
    int fd_;
    std::size_t chunks_ = 0;
};

}  // namespace veltra::sim::testing
