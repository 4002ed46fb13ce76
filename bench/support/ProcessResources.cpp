#include "ProcessResources.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace veltra::bench {

namespace {

namespace fs = std::filesystem;

long StatusField(const std::string& name)
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == name + ":" && status >> value)
            return value;
        status.ignore(1 << 16, '\n');
    }
    return 0;
}

}  // namespace

std::vector<std::string> ThreadNames()
{
    std::vector<std::string> names;
    std::error_code code;
    for (const fs::directory_entry& task : fs::directory_iterator("/proc/self/task", code)) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        // A thread that ended since the listing has no name left to read.
        if (std::getline(comm, name))
            names.push_back(name);
    }
    return names;
}

std::map<int, std::string> OpenDescriptors()
{
    std::map<int, std::string> open;
    std::error_code code;
    // The listing itself holds one descriptor while it runs; it is gone by the
    // time the caller looks, so it is left out.
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc/self/fd", code)) {
        std::error_code gone;
        const fs::path target = fs::read_symlink(entry.path(), gone);
        if (!gone)
            open.emplace(std::stoi(entry.path().filename().string()), target.string());
    }
    for (auto at = open.begin(); at != open.end();) {
        if (::fcntl(at->first, F_GETFD) < 0)
            at = open.erase(at);
        else
            ++at;
    }
    return open;
}

MemoryFigures Memory()
{
    return {StatusField("VmRSS"), StatusField("VmHWM")};
}

void ResetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

std::string PortHeldReason(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::string("does not open: ") + std::strerror(errno);
    std::string reason;
    int exclusive = 0;
    if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0)
        reason = "left in exclusive mode";
    else if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        reason = errno == EWOULDBLOCK ? "still locked" : std::string("lock fails: ") + std::strerror(errno);
    else
        ::flock(fd, LOCK_UN);
    ::close(fd);
    return reason;
}

}  // namespace veltra::bench
