#include "IoThreadPorts.h"

#include "PosixSerial.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace veltra::bench {

IoThreadPorts::IoThreadPorts(const std::vector<std::string>& paths, uint32_t baud, Handler handler)
    : handler_(std::move(handler)), stop_(::eventfd(0, EFD_CLOEXEC)), arrived_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    for (const std::string& path : paths) {
        int error = 0;
        fds_.push_back(posix::OpenSerialPort(path, baud, error));
    }
    notifier_ = std::make_unique<QSocketNotifier>(arrived_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { TakeQueued(); });
    thread_ = std::thread([this] { Run(); });
}

IoThreadPorts::~IoThreadPorts()
{
    const uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(stop_, &one, sizeof one);
    thread_.join();
    notifier_.reset();
    for (const int fd : fds_)
        posix::CloseSerialPort(fd, 115200);
    ::close(stop_);
    ::close(arrived_);
}

void IoThreadPorts::Write(int port, const std::string& bytes)
{
    int error = 0;
    posix::WriteAll(fds_[static_cast<size_t>(port)], -1, reinterpret_cast<const uint8_t*>(bytes.data()),
                    static_cast<long>(bytes.size()), 1000, error);
}

void IoThreadPorts::Run()
{
    std::vector<pollfd> watched;
    for (const int fd : fds_)
        watched.push_back({fd, POLLIN, 0});
    watched.push_back({stop_, POLLIN, 0});
    char buffer[8193];
    while (::poll(watched.data(), watched.size(), -1) >= 0 && watched.back().revents == 0) {
        bool any = false;
        for (size_t port = 0; port + 1 < watched.size(); ++port) {
            if ((watched[port].revents & POLLIN) == 0)
                continue;
            const ssize_t n = ::read(watched[port].fd, buffer, sizeof buffer);
            if (n <= 0)
                continue;
            std::lock_guard lock(mutex_);
            queue_.push_back({static_cast<int>(port), std::string(buffer, static_cast<size_t>(n))});
            any = true;
        }
        if (any) {
            const uint64_t one = 1;
            [[maybe_unused]] const auto written = ::write(arrived_, &one, sizeof one);
        }
    }
}

void IoThreadPorts::TakeQueued()
{
    uint64_t count = 0;
    [[maybe_unused]] const auto drained = ::read(arrived_, &count, sizeof count);
    std::deque<Chunk> chunks;
    {
        std::lock_guard lock(mutex_);
        chunks.swap(queue_);
    }
    for (const Chunk& chunk : chunks)
        handler_(chunk.port, chunk.bytes.data(), chunk.bytes.size());
}

}  // namespace veltra::bench
