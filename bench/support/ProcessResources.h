#pragma once

#include <map>
#include <string>
#include <vector>

namespace veltra::bench {

// What a long run must hand back after every operation: the threads and open
// files of this process, its memory, and the serial ports it used.

// The name of every thread, as the kernel keeps it: what the thread set for
// itself ("Thread (pooled)" for Qt's pool), else the program's name.
std::vector<std::string> ThreadNames();

// Every open descriptor of this process and what it refers to, as the kernel
// names it: "/dev/pts/7", "pipe:[4711]", "anon_inode:[eventfd]", ...
std::map<int, std::string> OpenDescriptors();

struct MemoryFigures {
    long residentKiB = 0;  // VmRSS
    long peakKiB = 0;      // VmHWM: the most the process has held so far
};

MemoryFigures Memory();

// Starts the peak over from the present size, so that one run's peak is not
// hidden by an earlier, larger one.
void ResetPeakMemory();

// Empty when another program could take the port now: it opens, its lock is
// free and no one left it in exclusive mode. Otherwise what stands in the way.
// Exclusive mode is asked for rather than tried, since it does not stop root.
std::string PortHeldReason(const std::string& path);

}  // namespace veltra::bench
