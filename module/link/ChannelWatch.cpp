#include "ChannelWatch.h"

#include <QSocketNotifier>

#include <sys/epoll.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace veltra {

namespace {

bool Control(int set, int operation, int fd, uint64_t entry)
{
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = entry;
    return ::epoll_ctl(set, operation, fd, &event) == 0;
}

}  // namespace

ChannelWatch::ChannelWatch() : set_(::epoll_create1(EPOLL_CLOEXEC)) {}

ChannelWatch::~ChannelWatch()
{
    notifier_.reset();
    if (set_ >= 0)
        ::close(set_);
}

uint64_t ChannelWatch::Add(int fd, Handler readable)
{
    if (set_ < 0)
        set_ = ::epoll_create1(EPOLL_CLOEXEC);
    if (set_ < 0)
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
    entries_[entry] = Entry{fd, std::move(readable), true};
    return entry;
}

void ChannelWatch::SetWatched(uint64_t entry, bool watched)
{
    const auto found = entries_.find(entry);
    if (found == entries_.end() || found->second.watched == watched)
        return;
    // Taken out of the set rather than left in it with no events: a hung-up
    // terminal would still be reported, for ever.
    found->second.watched = watched;
    Control(set_, watched ? EPOLL_CTL_ADD : EPOLL_CTL_DEL, found->second.fd, entry);
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
    for (int i = 0; i < count; ++i) {
        const auto found = entries_.find(ready[i].data.u64);
        if (found != entries_.end() && found->second.watched) {
            // A copy: the handler may remove its own entry.
            const Handler readable = found->second.readable;
            readable();
        }
    }
}

}  // namespace veltra
