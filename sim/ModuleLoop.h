#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

#include "LinePacer.h"

namespace veltra::sim {

// What a line asks the loop to wait for.
struct LineWait {
    int fd = -1;              // -1: nothing now
    std::uint32_t events = 0;  // EPOLLIN, EPOLLOUT
    // Counts the descriptors the line has opened and closed: a new terminal
    // may get the number of one closed since, and must be watched anew.
    std::uint64_t descriptor = 0;
};

// What a module's line needs from the thread that serves it.
class ServedLine {
public:
    // Called before a wait when the line has joined, was served, reached the
    // moment it last gave or the loop was woken: hands the line what is due,
    // says what to wait for and moves `deadline` to the line's next moment
    // when that is sooner. What it returns must hold until one of those.
    virtual LineWait Prepare(SteadyTime now, std::optional<SteadyTime>& deadline) = 0;
    // Called after a wait that reported `events` (EPOLLIN, EPOLLHUP...) on
    // that descriptor.
    virtual void Serve(std::uint32_t events, SteadyTime now) = 0;

protected:
    ~ServedLine() = default;
};

// One thread serving the lines of several modules with one wait. With a
// thread per module, 64 modules on a 2-core bench kept 64 threads waking and
// waiting for a core; lines due at about the same moment are now served in
// one wake-up. The wait is an epoll set that keeps each line's descriptor
// from one wait to the next: polling a terminal makes the kernel flush its
// pending input first, and polling every line on every wake-up cost a third
// of the modules' CPU time on a 64-port bench. For the same reason a line is
// asked what it waits for only when it has something to say: it was served,
// its moment has come, or it was changed from outside.
class ModuleLoop {
public:
    ModuleLoop();
    ~ModuleLoop();  // every line must have left
    ModuleLoop(const ModuleLoop&) = delete;
    ModuleLoop& operator=(const ModuleLoop&) = delete;

    void Join(ServedLine& line);
    // Once it returns, the loop no longer touches the line.
    void Leave(ServedLine& line);
    // Makes the loop look at every line again, after one changed from outside.
    void Wake() const;

private:
    // What the loop keeps of a line. Events carry the token, not the line:
    // one reported for a line that has left or closed its descriptor since
    // finds no line, instead of one now at the same address or number.
    struct Entry {
        ServedLine* line = nullptr;
        std::optional<LineWait> watched;  // what the set holds for it
        std::uint64_t token = 0;
        std::optional<SteadyTime> next;   // its own next moment
        bool look = true;                 // ask it again before the next wait
    };

    void Run();
    // Brings the set in line with what the entry's line now waits for.
    void Watch(Entry& entry, const LineWait& wait);

    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Entry>> lines_;
    std::unordered_map<std::uint64_t, Entry*> tokens_;
    std::uint64_t lastToken_ = 0;
    bool stopping_ = false;
    int wake_ = -1;
    int set_ = -1;
    std::thread thread_;
};

}  // namespace veltra::sim
