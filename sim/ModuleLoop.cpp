#include "ModuleLoop.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>

namespace veltra::sim {
namespace {

constexpr std::uint64_t kWakeToken = 0;

}  // namespace

ModuleLoop::ModuleLoop()
{
    set_ = ::epoll_create1(EPOLL_CLOEXEC);
    if (set_ < 0) {
        throw std::system_error(errno, std::generic_category(), "epoll_create1");
    }
    wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = kWakeToken;
    if (wake_ < 0 || ::epoll_ctl(set_, EPOLL_CTL_ADD, wake_, &event) != 0) {
        const int error = errno;
        const char* what = wake_ < 0 ? "eventfd" : "epoll_ctl";
        if (wake_ >= 0) {
            ::close(wake_);
        }
        ::close(set_);
        throw std::system_error(error, std::generic_category(), what);
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
    ::close(set_);
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
        auto entry = std::make_unique<Entry>();
        entry->line = &line;
        lines_.push_back(std::move(entry));
    }
    Wake();
}

void ModuleLoop::Leave(ServedLine& line)
{
    std::lock_guard lock(mutex_);
    // The descriptor stays in the set until its owner closes it, which the
    // kernel takes as leaving the set; until then its events find no line.
    const auto held = std::find_if(lines_.begin(), lines_.end(),
                                   [&line](const auto& entry) { return entry->line == &line; });
    if (held != lines_.end()) {
        tokens_.erase((*held)->token);
        lines_.erase(held);
    }
}

void ModuleLoop::Watch(Entry& entry, const LineWait& wait)
{
    const bool wanted = wait.fd >= 0 && wait.events != 0;
    if (entry.watched) {
        const bool open = entry.watched->descriptor == wait.descriptor;
        if (open && wanted) {
            if (entry.watched->events != wait.events) {
                epoll_event event{};
                event.events = wait.events;
                event.data.u64 = entry.token;
                ::epoll_ctl(set_, EPOLL_CTL_MOD, wait.fd, &event);
                entry.watched = wait;
            }
            return;
        }
        // An open descriptor is taken out. One closed since left the set with
        // it: removing that by number could remove another line's terminal
        // that has the number now.
        if (open) {
            ::epoll_ctl(set_, EPOLL_CTL_DEL, entry.watched->fd, nullptr);
        }
        tokens_.erase(entry.token);
        entry.watched.reset();
    }
    if (!wanted) {
        return;
    }
    const std::uint64_t token = ++lastToken_;
    epoll_event event{};
    event.events = wait.events;
    event.data.u64 = token;
    if (::epoll_ctl(set_, EPOLL_CTL_ADD, wait.fd, &event) == 0) {
        entry.watched = wait;
        entry.token = token;
        tokens_[token] = &entry;
    }
}

void ModuleLoop::Run()
{
    // Each line keeps to its schedule by the loop sleeping until its next
    // group of bytes is due; the kernel's default timer slack would let every
    // such sleep overrun by up to 50 us, which at 921,600 bit/s is five bytes.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    std::array<epoll_event, 128> ready{};
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const SteadyTime now = std::chrono::steady_clock::now();
        std::optional<SteadyTime> deadline;
        for (const auto& entry : lines_) {
            if (entry->look || (entry->next && *entry->next <= now)) {
                entry->look = false;
                entry->next.reset();
                Watch(*entry, entry->line->Prepare(now, entry->next));
            }
            if (entry->next && (!deadline || *entry->next < *deadline)) {
                deadline = entry->next;
            }
        }
        timespec timeout{};
        if (deadline) {
            const auto wait = std::max(*deadline - now, SteadyTime::duration::zero());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        }
        lock.unlock();
        const int count = ::epoll_pwait2(set_, ready.data(), static_cast<int>(ready.size()),
                                         deadline ? &timeout : nullptr, nullptr);
        if (count < 0 && errno != EINTR) {
            // A kernel older than 5.11 has no such call: stop with the reason
            // rather than spin.
            throw std::system_error(errno, std::generic_category(), "epoll_pwait2");
        }
        lock.lock();
        const SteadyTime woken = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i) {
            if (ready[i].data.u64 == kWakeToken) {
                std::uint64_t wakes = 0;
                [[maybe_unused]] const auto drained = ::read(wake_, &wakes, sizeof wakes);
                for (const auto& entry : lines_) {
                    entry->look = true;
                }
            } else if (const auto held = tokens_.find(ready[i].data.u64); held != tokens_.end()) {
                held->second->look = true;
                held->second->line->Serve(ready[i].events, woken);
            }
        }
    }
}

}  // namespace veltra::sim
