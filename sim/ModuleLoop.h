#pragma once

#include <poll.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "LinePacer.h"

namespace veltra::sim {

// What a module's line needs from the thread that serves it.
class ServedLine {
public:
    // Called before each wait: hands the line what is due, says which events
    // of which descriptor to wait for (-1: none) and moves `deadline` to the
    // line's next moment when that is sooner.
    virtual pollfd Prepare(SteadyTime now, std::optional<SteadyTime>& deadline) = 0;
    // Called after a wait that reported `revents` on that descriptor.
    virtual void Serve(short revents, SteadyTime now) = 0;

protected:
    ~ServedLine() = default;
};

// One thread serving the lines of several modules with one wait. With a
// thread per module, 64 modules on a 2-core bench kept 64 threads waking and
// waiting for a core; lines due at about the same moment are now served in
// one wake-up.
class ModuleLoop {
public:
    ModuleLoop();
    ~ModuleLoop();  // every line must have left
    ModuleLoop(const ModuleLoop&) = delete;
    ModuleLoop& operator=(const ModuleLoop&) = delete;

    void Join(ServedLine& line);
    // Returns once the loop neither waits on the line nor serves it.
    void Leave(ServedLine& line);
    // Makes the loop look at every line again, after one changed from outside.
    void Wake() const;

private:
    void Run();

    mutable std::mutex mutex_;
    std::condition_variable passed_;
    std::vector<ServedLine*> lines_;
    std::uint64_t passes_ = 0;
    bool stopping_ = false;
    int wake_ = -1;
    std::thread thread_;
};

}  // namespace veltra::sim
