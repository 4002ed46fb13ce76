#include "LineTap.h"

#include <sys/types.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <unordered_map>

extern "C" ssize_t __real_read(int fd, void* buffer, size_t count);
extern "C" ssize_t __real_write(int fd, const void* buffer, size_t count);
extern "C" int __real_close(int fd);

namespace veltra::bench {

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> tapping{false};
std::mutex tapMutex;
std::unordered_map<int, Clock::time_point> lastRead;
Turnarounds figures;

}  // namespace

void StartLineTap()
{
    std::lock_guard lock(tapMutex);
    lastRead.clear();
    figures = {};
    tapping = true;
}

Turnarounds StopLineTap()
{
    tapping = false;
    std::lock_guard lock(tapMutex);
    return figures;
}

}  // namespace veltra::bench

using veltra::bench::Clock;

extern "C" ssize_t __wrap_read(int fd, void* buffer, size_t count)
{
    const ssize_t got = __real_read(fd, buffer, count);
    if (got > 0 && veltra::bench::tapping) {
        const Clock::time_point now = Clock::now();
        std::lock_guard lock(veltra::bench::tapMutex);
        veltra::bench::lastRead[fd] = now;
    }
    return got;
}

extern "C" ssize_t __wrap_write(int fd, const void* buffer, size_t count)
{
    if (veltra::bench::tapping) {
        const Clock::time_point now = Clock::now();
        std::lock_guard lock(veltra::bench::tapMutex);
        const auto read = veltra::bench::lastRead.find(fd);
        if (read != veltra::bench::lastRead.end()) {
            const double gap = std::chrono::duration<double>(now - read->second).count();
            veltra::bench::Turnarounds& f = veltra::bench::figures;
            ++f.count;
            f.totalSeconds += gap;
            f.longestSeconds = std::max(f.longestSeconds, gap);
            veltra::bench::lastRead.erase(read);
        }
    }
    return __real_write(fd, buffer, count);
}

// A closed descriptor's number comes back for the next file opened, and a
// write there must not be paired with a read of the file before it.
extern "C" int __wrap_close(int fd)
{
    if (veltra::bench::tapping) {
        std::lock_guard lock(veltra::bench::tapMutex);
        veltra::bench::lastRead.erase(fd);
    }
    return __real_close(fd);
}
