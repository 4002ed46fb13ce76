#pragma once

#include <QObject>

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
// Threads: the owner's only. A handler may remove any entry, its own
// included, or run a nested event loop that hands out the same events again;
// an event for an entry removed since finds nothing.
class ChannelWatch : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void()>;

    ChannelWatch();
    ~ChannelWatch() override;

    // Watches `fd` for input (and hang-up) from now on, calling `readable`
    // each time it has some. 0 when the set could not take it; errno says why.
    uint64_t Add(int fd, Handler readable);
    // Stops and starts watching; a stopped descriptor costs nothing.
    void SetWatched(uint64_t entry, bool watched);
    // Before the descriptor closes.
    void Remove(uint64_t entry);

private:
    void OnReady();

    struct Entry {
        int fd = -1;
        Handler readable;
        bool watched = false;
    };
    int set_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unordered_map<uint64_t, Entry> entries_;
    uint64_t lastEntry_ = 0;
};

}  // namespace veltra
