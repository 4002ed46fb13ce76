#include "ChannelWatch.h"

#include <QSocketNotifier>

#include <sys/epoll.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <vector>

namespace veltra {

namespace {

constexpr uint64_t kTimerToken = 0;  // entries count from 1
// Pauses ending this close together end on one wake-up.
constexpr std::chrono::microseconds kTogether{100};

bool Control(int set, int operation, int fd, uint64_t entry)
{
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = entry;
    return ::epoll_ctl(set, operation, fd, &event) == 0;
}

}  // namespace

ChannelWatch::ChannelWatch()
{
    MakeSet();
}

ChannelWatch::~ChannelWatch()
{
    notifier_.reset();
    CloseSet();
}

// Made with the bank, not with the first port: a descriptor that came with
// the first port would look like one that port left open.
bool ChannelWatch::MakeSet()
{
    set_ = ::epoll_create1(EPOLL_CLOEXEC);
    timer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (set_ >= 0 && timer_ >= 0 && Control(set_, EPOLL_CTL_ADD, timer_, kTimerToken))
        return true;
    const int error = errno;
    CloseSet();
    errno = error;
    return false;
}

void ChannelWatch::CloseSet()
{
    for (int* fd : {&timer_, &set_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

uint64_t ChannelWatch::Add(int fd, Handler readable, Handler pauseOver)
{
    if (set_ < 0 && !MakeSet())
        return 0;
    // Made with the first port opened, not with the bank: a bank may be made
    // before the application, whose event loop a notifier needs.
    if (!notifier_) {
        notifier_ = std::make_unique<QSocketNotifier>(set_, QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &ChannelWatch::OnReady);
    }
    const uint64_t entry = ++lastEntry_;
    if (!Control(set_, EPOLL_CTL_ADD, fd, entry))
        return 0;
    entries_[entry] = Entry{fd, std::move(readable), std::move(pauseOver), true};
    return entry;
}

void ChannelWatch::SetWatched(uint64_t entry, bool watched)
{
    const auto found = entries_.find(entry);
    if (found == entries_.end())
        return;
    found->second.pauseEnd = Clock::time_point::max();
    if (found->second.watched == watched)
        return;
    // Taken out of the set rather than left in it with no events: a hung-up
    // terminal would still be reported, for ever.
    found->second.watched = watched;
    Control(set_, watched ? EPOLL_CTL_ADD : EPOLL_CTL_DEL, found->second.fd, entry);
}

void ChannelWatch::PauseUntil(uint64_t entry, Clock::time_point end)
{
    SetWatched(entry, false);
    const auto found = entries_.find(entry);
    if (found == entries_.end())
        return;
    found->second.pauseEnd = end;
    if (end < timerEnd_)
        SetTimer(end);
}

bool ChannelWatch::Paused(uint64_t entry) const
{
    const auto found = entries_.find(entry);
    return found != entries_.end() && found->second.pauseEnd != Clock::time_point::max();
}

void ChannelWatch::Remove(uint64_t entry)
{
    const auto found = entries_.find(entry);
    if (found == entries_.end())
        return;
    if (found->second.watched)
        ::epoll_ctl(set_, EPOLL_CTL_DEL, found->second.fd, nullptr);
    entries_.erase(found);
}

void ChannelWatch::OnReady()
{
    std::array<epoll_event, 64> ready{};
    const int count = ::epoll_wait(set_, ready.data(), static_cast<int>(ready.size()), 0);
    wokeAt_ = Clock::now();
    bool timerFired = false;
    for (int i = 0; i < count; ++i) {
        if (ready[i].data.u64 == kTimerToken) {
            uint64_t expirations = 0;
            timerFired = ::read(timer_, &expirations, sizeof expirations) > 0 || timerFired;
            continue;
        }
        const auto found = entries_.find(ready[i].data.u64);
        if (found != entries_.end() && found->second.watched) {
            // A copy: the handler may remove its own entry.
            const Handler readable = found->second.readable;
            readable();
        }
    }
    if (timerFired)
        EndDuePauses();
}

void ChannelWatch::EndDuePauses()
{
    timerEnd_ = Clock::time_point::max();  // a timer that has fired is off
    const Clock::time_point due = Clock::now() + kTogether;
    std::vector<uint64_t> ending;
    Clock::time_point next = Clock::time_point::max();
    for (auto& [entry, state] : entries_) {
        if (state.pauseEnd <= due) {
            ending.push_back(entry);
            state.pauseEnd = Clock::time_point::max();
        } else {
            next = std::min(next, state.pauseEnd);
        }
    }
    // Set for the pauses still running before any handler runs: a handler
    // may run a nested event loop, in which they must still end.
    if (next < timerEnd_)
        SetTimer(next);
    // By token, each looked up again: a handler may remove other entries, or
    // start watching or pause them again, which ends this pause anyway.
    for (const uint64_t entry : ending) {
        const auto found = entries_.find(entry);
        if (found == entries_.end() || found->second.watched || found->second.pauseEnd != Clock::time_point::max())
            continue;
        const Handler pauseOver = found->second.pauseOver;
        pauseOver();
    }
}

void ChannelWatch::SetTimer(Clock::time_point end)
{
    const auto sinceStart = std::chrono::duration_cast<std::chrono::nanoseconds>(end.time_since_epoch()).count();
    itimerspec spec{};
    spec.it_value.tv_sec = static_cast<time_t>(sinceStart / 1'000'000'000);
    spec.it_value.tv_nsec = static_cast<long>(sinceStart % 1'000'000'000);
    if (spec.it_value.tv_sec == 0 && spec.it_value.tv_nsec == 0)
        spec.it_value.tv_nsec = 1;  // zero would switch the timer off
    if (::timerfd_settime(timer_, TFD_TIMER_ABSTIME, &spec, nullptr) == 0)
        timerEnd_ = end;
}

}  // namespace veltra
