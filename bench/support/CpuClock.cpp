#include "CpuClock.h"

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace veltra::bench {

namespace {

double Seconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

}  // namespace

double ProcessCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

double ChildCpuSeconds(pid_t pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(file, line))
        return -1;
    // The command name in parentheses may hold spaces; the fields after it do not.
    const auto close = line.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    unsigned long long userTicks = 0;
    unsigned long long systemTicks = 0;
    // State is field 3 of the whole line; utime and stime are 14 and 15.
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14)
            userTicks = std::stoull(field);
        else if (index == 15)
            systemTicks = std::stoull(field);
    }
    return static_cast<double>(userTicks + systemTicks) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double RunQueueWaitSeconds(pid_t pid)
{
    const std::string tasks = pid == 0 ? "/proc/self/task" : "/proc/" + std::to_string(pid) + "/task";
    std::error_code code;
    unsigned long long waited = 0;
    for (const auto& task : std::filesystem::directory_iterator(tasks, code)) {
        // Time on the CPU, time waiting on a run queue, time slices; in ns.
        std::ifstream file(task.path() / "schedstat");
        unsigned long long running = 0;
        unsigned long long waiting = 0;
        if (file >> running >> waiting)
            waited += waiting;
    }
    return static_cast<double>(waited) / 1e9;
}

std::string LoadAverages()
{
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

}  // namespace veltra::bench
