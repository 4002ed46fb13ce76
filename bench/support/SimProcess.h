#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include <sys/types.h>

namespace veltra::bench {

struct SimOptions {
    int modules = 1;
    bool bootLoader = false;
    bool lineRate = false;
    int eraseMs = 0;
    std::string eepromFile;  // every module's EEPROM image; empty keeps 0xFF
    std::string dumpFolder;  // memories written here when it quits; empty: none
};

// The virtual modules in a veltra-sim child process of their own, so that the
// CPU time of this process is the tool's alone and the modules' is read from
// the child.
class SimProcess {
public:
    explicit SimProcess(const SimOptions& options);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The modules' device paths, in module order; empty when it did not start.
    const std::vector<std::string>& Paths() const { return paths_; }
    double CpuSeconds() const;
    pid_t Pid() const { return pid_; }
    // Asks it to quit (writing its dump) and waits; true when it exited cleanly.
    bool Quit();

private:
    pid_t pid_ = -1;
    int input_ = -1;
    FILE* output_ = nullptr;
    std::vector<std::string> paths_;
};

}  // namespace veltra::bench
