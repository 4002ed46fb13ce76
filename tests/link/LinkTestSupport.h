#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

namespace veltra::testing {

// The owner's thread of every test is the main thread, with one application
// object for the whole test program.
inline QCoreApplication& App()
{
    static int argc = 1;
    static char name[] = "link_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    // Start and end one thread first: ThreadSanitizer adds a helper thread of
    // its own at the first thread start, which must not count as ours.
    static const bool warmedUp = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)warmedUp;
    return app;
}

// Runs the owner's event loop until `done` holds or `limit` has passed; returns
// whether it holds. The limit is a guard against a hang, not a measurement.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    App();
    QDeadlineTimer deadline(limit.count());
    QTimer tick;  // wakes the wait below even when nothing is posted
    tick.start(2);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Keeps the owner's event loop running for a while, so that anything that should
// not happen has had the chance to.
inline void PumpFor(std::chrono::milliseconds span)
{
    PumpUntil([] { return false; }, span);
}

// Threads of this process, from /proc/self/task.
inline int ThreadCount()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/task")) {
        while (dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.') {
                ++count;
            }
        }
        ::closedir(dir);
    }
    return count;
}

// A pseudo-terminal whose slave is the port under test and whose master is the
// scripted peer. The slave stays open here too, so the peer keeps working while
// the channel closes and reopens.
class Pty {
public:
    Pty()
    {
        if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
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
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

    // Reads from the master until `count` bytes came or `limit` passed.
    std::string Read(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5)) const
    {
        std::string out;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (out.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                break;
            }
            pollfd fd{master_, POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - out.size()));
            if (n > 0) {
                out.append(buffer, static_cast<size_t>(n));
            }
        }
        return out;
    }

    // Whatever the master has queued now.
    std::string ReadAvailable() const
    {
        std::string out;
        char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(master_, buffer, sizeof buffer)) > 0) {
            out.append(buffer, static_cast<size_t>(n));
        }
        return out;
    }

    // Writes all of `data` unless `stop` is raised meanwhile.
    bool Write(const void* data, size_t size, const std::atomic<bool>* stop = nullptr) const
    {
        const auto* bytes = static_cast<const char*>(data);
        size_t done = 0;
        while (done < size) {
            if (stop != nullptr && stop->load()) {
                return false;
            }
            const ssize_t n = ::write(master_, bytes + done, size - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                return false;
            }
            pollfd fd{master_, POLLOUT, 0};
            ::poll(&fd, 1, 20);
        }
        return true;
    }
    bool Write(const std::string& data) const { return Write(data.data(), data.size()); }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

}  // namespace veltra::testing
