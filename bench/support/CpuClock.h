#pragma once

#include <string>

#include <sys/types.h>

namespace veltra::bench {

// CPU seconds (user and system) of this process, every thread included,
// those that have ended too.
double ProcessCpuSeconds();

// CPU seconds of another process so far, at the kernel's tick resolution;
// negative when it cannot be read.
double ChildCpuSeconds(pid_t pid);

// Seconds the threads of a process (0: this one) that are alive now have spent
// ready to run but waiting for a CPU: how much a shared machine held it back.
double RunQueueWaitSeconds(pid_t pid);

// The machine's load averages as /proc/loadavg gives them: 1, 5 and 15 minutes.
std::string LoadAverages();

}  // namespace veltra::bench
