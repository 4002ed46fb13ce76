#pragma once

#include <chrono>
#include <cstdint>
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
    // Called before each wait: hands the line what is due, says what to wait
    // for and moves `deadline` to the line's next moment when that is sooner.
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
// of the modules' CPU time on a 64-port bench.
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
    void Run();
    // Brings the set in line with what `line` now waits for.
    void Watch(ServedLine& line, const LineWait& wait);

    // What the set holds for a line. Events carry the token, not the line:
    // one reported for a line that has left or closed its descriptor since
    // finds no line, instead of one now at the same address or number.
    struct Watched {
        LineWait wait;
        std::uint64_t token = 0;
    };

    mutable std::mutex mutex_;
    std::vector<ServedLine*> lines_;
    std::unordered_map<ServedLine*, Watched> watched_;
    std::unordered_map<std::uint64_t, ServedLine*> tokens_;
    std::uint64_t lastToken_ = 0;
    bool stopping_ = false;
    int wake_ = -1;
    int set_ = -1;
    std::thread thread_;
};

}  // namespace veltra::sim
