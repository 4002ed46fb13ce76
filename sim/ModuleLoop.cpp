#include "ModuleLoop.h"

#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace veltra::sim {

ModuleLoop::ModuleLoop()
{
    wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake_ < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    thread_ = std::thread([this] { Run(); });
}

ModuleLoop::~ModuleLoop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    Wake();
    thread_.join();
    ::close(wake_);
}

void ModuleLoop::Wake() const
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wake_, &one, sizeof one);
}

void ModuleLoop::Join(ServedLine& line)
{
    {
        std::lock_guard lock(mutex_);
        lines_.push_back(&line);
    }
    Wake();
}

void ModuleLoop::Leave(ServedLine& line)
{
    std::unique_lock lock(mutex_);
    lines_.erase(std::remove(lines_.begin(), lines_.end(), &line), lines_.end());
    // The wait under way may still hold the line's descriptor: the line is
    // gone for good once that wait has ended.
    const std::uint64_t target = passes_ + 1;
    Wake();
    passed_.wait(lock, [&] { return passes_ >= target || stopping_; });
}

void ModuleLoop::Run()
{
    // Each line keeps to its schedule by the loop sleeping until its next
    // group of bytes is due; the kernel's default timer slack would let every
    // such sleep overrun by up to 50 us, which at 921,600 bit/s is five bytes.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    std::vector<pollfd> fds;
    std::vector<ServedLine*> waitedOn;
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const SteadyTime now = std::chrono::steady_clock::now();
        std::optional<SteadyTime> deadline;
        fds.assign(1, {wake_, POLLIN, 0});
        waitedOn = lines_;
        for (ServedLine* line : waitedOn) {
            fds.push_back(line->Prepare(now, deadline));
        }
        timespec timeout{};
        if (deadline) {
            const auto wait = std::max(*deadline - now, SteadyTime::duration::zero());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        }
        lock.unlock();
        const int ready = ::ppoll(fds.data(), fds.size(), deadline ? &timeout : nullptr, nullptr);
        lock.lock();
        ++passes_;
        passed_.notify_all();
        if (ready <= 0) {
            continue;
        }
        if (fds[0].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const auto drained = ::read(wake_, &count, sizeof count);
        }
        const SteadyTime woken = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < waitedOn.size(); ++i) {
            // A line that left during the wait is not touched again.
            if (fds[i + 1].revents != 0 && std::find(lines_.begin(), lines_.end(), waitedOn[i]) != lines_.end()) {
                waitedOn[i]->Serve(fds[i + 1].revents, woken);
            }
        }
    }
}

}  // namespace veltra::sim
