// Rates such as 14,400 need BOTHER, which only the kernel's own termios2 has;
// <termios.h> must therefore stay out of this file.
#include "TestLine.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace veltra::sim::testing {

TestLine::TestLine(const std::string& path, std::uint32_t rate)
{
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        throw std::system_error(errno, std::generic_category(), path);
    }
    SetRate(rate);
}

TestLine::~TestLine() { ::close(fd_); }

void TestLine::SetRate(std::uint32_t rate)
{
    struct termios2 settings {};
    settings.c_cflag = BOTHER | CS8 | CREAD | CLOCAL;
    settings.c_ispeed = rate;
    settings.c_ospeed = rate;
    if (::ioctl(fd_, TCSETS2, &settings) != 0) {
        throw std::system_error(errno, std::generic_category(), "TCSETS2");
    }
}

void TestLine::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const auto written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno != EAGAIN) {
                throw std::system_error(errno, std::generic_category(), "write");
            }
            pollfd out{fd_, POLLOUT, 0};
            ::poll(&out, 1, 1000);
            continue;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::string TestLine::Read(std::size_t count, std::chrono::milliseconds limit)
{
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (received.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd in{fd_, POLLIN, 0};
        if (::poll(&in, 1, static_cast<int>(left.count())) <= 0 || (in.revents & POLLIN) == 0) {
            if (in.revents & (POLLHUP | POLLERR)) {
                break;
            }
            continue;
        }
        char buffer[8193];
        const auto got = ::read(fd_, buffer, std::min(sizeof buffer, count - received.size()));
        if (got > 0) {
            received.append(buffer, static_cast<std::size_t>(got));
            ++chunks_;
        }
    }
    return received;
}

std::string TestLine::Pending()
{
    std::string received;
    char buffer[8193];
    for (;;) {
        const auto got = ::read(fd_, buffer, sizeof buffer);
        if (got <= 0) {
            return received;
        }
        received.append(buffer, static_cast<std::size_t>(got));
        ++chunks_;
    }
}

bool TestLine::WaitForHangUp(std::chrono::milliseconds limit)
{
    pollfd in{fd_, 0, 0};
    return ::poll(&in, 1, static_cast<int>(limit.count())) > 0 && (in.revents & POLLHUP) != 0;
}

}  // namespace veltra::sim::testing
