#pragma once

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>

class QSocketNotifier;

namespace veltra {

// The open ports of a bank watched for input through one epoll set, which the
// owner's event loop watches with one socket notifier. A notifier per port
// had the event loop poll every port on each of its passes, and polling a
// terminal makes the kernel flush its pending input first: with 64 ports
// busy at 921,600 bit/s that was a fifth of the tool's CPU time.
//
// A port may also be left alone until a moment: the set holds a timer too,
// so the event loop wakes for it within microseconds, where its own timers
// wake within a millisecond, late, which on a reply awaited that way is a
// millisecond lost per request.
//
// Threads: the owner's only. A handler may remove any entry, its own
// included, or run a nested event loop that hands out the same events again;
// an event for an entry removed since finds nothing.
class ChannelWatch : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void()>;
    using Clock = std::chrono::steady_clock;

    ChannelWatch();
    ~ChannelWatch() override;

    // Watches `fd` for input (and hang-up) from now on, calling `readable`
    // each time it has some, and `pauseOver` when a pause ends. 0 when the
    // set could not take it; errno says why.
    uint64_t Add(int fd, Handler readable, Handler pauseOver);
    // Stops and starts watching; a stopped descriptor costs nothing. Starting
    // ends a pause without its handler.
    void SetWatched(uint64_t entry, bool watched);
    // Stops watching until `end`, then calls the entry's `pauseOver`, which
    // starts watching again if it will.
    void PauseUntil(uint64_t entry, Clock::time_point end);
    bool Paused(uint64_t entry) const;
    // Before the descriptor closes.
    void Remove(uint64_t entry);
    // When the set last reported something: what a handler reads came by then.
    Clock::time_point WokeAt() const { return wokeAt_; }

private:
    bool MakeSet();
    void CloseSet();
    void OnReady();
    void EndDuePauses();
    void SetTimer(Clock::time_point end);

    struct Entry {
        int fd = -1;
        Handler readable;
        Handler pauseOver;
        bool watched = false;
        Clock::time_point pauseEnd = Clock::time_point::max();  // max: no pause
    };
    int set_ = -1;
    int timer_ = -1;  // in the set, for the earliest pause
    Clock::time_point timerEnd_ = Clock::time_point::max();  // max: off
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unordered_map<uint64_t, Entry> entries_;
    uint64_t lastEntry_ = 0;
    Clock::time_point wokeAt_;
};

}  // namespace veltra
