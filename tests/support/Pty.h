#pragma once

#include "PosixSerial.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace veltra::testing {

// Reads from `fd` until `count` bytes came or `limit` passed; counts the reads
// that returned data in `chunks`.
inline std::string ReadFor(int fd, size_t count, std::chrono::milliseconds limit, size_t* chunks = nullptr)
{
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (received.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd in{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&in, 1, static_cast<int>(left.count())) <= 0 || (in.revents & POLLIN) == 0)
            break;
        char buffer[8193];
        const auto got = ::read(fd, buffer, std::min(sizeof buffer, count - received.size()));
        if (got <= 0)
            break;
        received.append(buffer, static_cast<size_t>(got));
        if (chunks != nullptr)
            ++*chunks;
    }
    return received;
}

// Writes all of `bytes` to `fd`, waiting while its buffer is full; whether all went.
inline bool WriteAllTo(int fd, std::string_view bytes)
{
    int error = 0;
    const auto size = static_cast<long>(bytes.size());
    return posix::WriteAll(fd, -1, reinterpret_cast<const uint8_t*>(bytes.data()), size, 10000, error) == size;
}

// A pseudo-terminal whose slave is the port under test and whose master is the
// scripted peer. The slave stays open here too, so the peer keeps working while
// the channel closes and reopens.
class Pty {
public:
    Pty()
    {
        if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        path_ = ::ttyname(slave_);
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~Pty()
    {
        CloseMaster();
        ::close(slave_);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& Path() const { return path_; }
    int Master() const { return master_; }

    void CloseMaster()
    {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

    std::string Read(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5)) const
    {
        return ReadFor(master_, count, limit);
    }

    // Whatever the master has queued now.
    std::string ReadAvailable() const
    {
        std::string out;
        char buffer[4096];
        for (ssize_t n = 0; (n = ::read(master_, buffer, sizeof buffer)) > 0;)
            out.append(buffer, static_cast<size_t>(n));
        return out;
    }

    bool Write(std::string_view data) const { return WriteAllTo(master_, data); }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

// The tool's end of a line to a virtual module, as a test or a benchmark
// drives it: the slave opened the way the tool opens a port, at any rate.
class Line {
public:
    Line(const std::string& path, uint32_t rate) : rate_(rate)
    {
        int error = 0;
        fd_ = posix::OpenSerialPort(path, rate, error);
        if (fd_ < 0)
            throw std::system_error(error, std::generic_category(), path);
    }
    ~Line() { posix::CloseSerialPort(fd_, rate_); }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    void Write(std::string_view bytes) { WriteAllTo(fd_, bytes); }

    std::string Read(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        return ReadFor(fd_, count, limit, &chunks_);
    }

    // How many separate reads have returned data so far.
    size_t Chunks() const { return chunks_; }

    // Waits until the module hangs up; false when `limit` passed first.
    bool WaitForHangUp(std::chrono::milliseconds limit) const
    {
        pollfd in{fd_, 0, 0};
        return ::poll(&in, 1, static_cast<int>(limit.count())) > 0 && (in.revents & POLLHUP) != 0;
    }

private:
    int fd_ = -1;
    uint32_t rate_;
    size_t chunks_ = 0;
};

}  // namespace veltra::testing
