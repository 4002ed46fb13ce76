#include "BareLoop.h"

#include "CommandRecord.h"
#include "CpuClock.h"
#include "FirmwareImage.h"
#include "PosixSerial.h"
#include "ProgramFolder.h"
#include "ReplyRules.h"
#include "SimProcess.h"

#include <sys/epoll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>

namespace veltra::bench {

namespace {

using Clock = std::chrono::steady_clock;

// A module that says nothing for this long has stopped; erase takes far less.
constexpr int kSilenceMs = 10000;

struct Exchange {
    std::string request;
    size_t replyLength = 0;
};

void Add(std::vector<Exchange>& list, char code, std::string request, uint32_t expected)
{
    const size_t length = FullReplyLength(code, expected);
    list.push_back({std::move(request), length});
}

std::vector<Exchange> DownloadExchanges(const std::vector<uint8_t>& firmware)
{
    RomImage image;
    std::copy(firmware.begin(), firmware.end(), image.bytes.begin());
    const auto imageBytes = static_cast<uint32_t>(firmware.size());
    std::vector<Exchange> list;
    Add(list, code::kHandshake, "U", 1);
    Add(list, code::kErase, std::string(kEraseRecord), static_cast<uint32_t>(kEraseRecord.size()));
    Add(list, code::kBlankCheck, std::string(kBlankCheckRecord), static_cast<uint32_t>(kBlankCheckRecord.size()));
    for (uint32_t at = 0; at == 0 || at < imageBytes; at += kProgramBlockBytes) {
        const uint32_t count = at == 0 ? kProgramBlockBytes : std::min(kProgramBlockBytes, imageBytes - at);
        std::string record = BuildProgramRecord(image, at, count);
        const auto length = static_cast<uint32_t>(record.size());
        Add(list, code::kProgram, std::move(record), length);
    }
    for (int index = 0; index < 4; ++index) {
        const std::string_view record = FinalisationRecord(index);
        Add(list, code::kFinalise, std::string(record), static_cast<uint32_t>(record.size()));
    }
    constexpr uint32_t kRangeBytes = 1024;
    for (uint32_t start = 0;; start += kRangeBytes) {
        const uint32_t bytes = std::min(kRangeBytes, imageBytes > start ? imageBytes - start : 0);
        const uint32_t first = std::min<uint32_t>(start, 0xFFFF);
        const uint32_t end = bytes == 0 ? first - 1 : start + bytes - 1;
        Add(list, code::kReadBack, BuildReadBackRecord(first, end), ReadBackReplyLength(2 * bytes));
        if (bytes < kRangeBytes)
            break;
    }
    return list;
}

bool Send(int fd, const Exchange& exchange)
{
    int error = 0;
    const auto length = static_cast<long>(exchange.request.size());
    return posix::WriteAll(fd, -1, reinterpret_cast<const uint8_t*>(exchange.request.data()), length, kSilenceMs,
                           error) == length;
}

// An epoll set, as the tool's ports have: polling every terminal on every
// pass would make the floor this loop stands for higher than it is.
std::string WaitAndServe(int set, const std::vector<int>& fds, const std::vector<Exchange>& exchanges)
{
    std::vector<size_t> step(fds.size(), 0);
    std::vector<size_t> received(fds.size(), 0);
    for (size_t port = 0; port < fds.size(); ++port) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = port;
        if (::epoll_ctl(set, EPOLL_CTL_ADD, fds[port], &event) != 0)
            return "a port could not be watched";
        if (!Send(fds[port], exchanges[0]))
            return "a first request could not be written";
    }
    size_t running = fds.size();
    std::array<epoll_event, 64> ready{};
    char buffer[8192];
    while (running > 0) {
        const int count = ::epoll_wait(set, ready.data(), static_cast<int>(ready.size()), kSilenceMs);
        if (count == 0)
            return "a module went silent";
        if (count < 0 && errno != EINTR)
            return "epoll_wait failed";
        for (int i = 0; i < count; ++i) {
            const auto port = static_cast<size_t>(ready[i].data.u64);
            const ssize_t got = ::read(fds[port], buffer, sizeof buffer);
            if (got <= 0) {
                if (got < 0 && errno == EAGAIN)
                    continue;
                return "a line was lost";
            }
            received[port] += static_cast<size_t>(got);
            if (received[port] < exchanges[step[port]].replyLength)
                continue;
            received[port] = 0;
            if (++step[port] == exchanges.size()) {
                ::epoll_ctl(set, EPOLL_CTL_DEL, fds[port], nullptr);
                --running;
            } else if (!Send(fds[port], exchanges[step[port]])) {
                return "a request could not be written";
            }
        }
    }
    return {};
}

std::string Drive(const std::vector<int>& fds, const std::vector<Exchange>& exchanges)
{
    const int set = ::epoll_create1(EPOLL_CLOEXEC);
    if (set < 0)
        return "epoll_create1 failed";
    std::string failure = WaitAndServe(set, fds, exchanges);
    ::close(set);
    return failure;
}

}  // namespace

BareRunResult RunBareDownload(int ports, uint32_t baud, int eraseMs, const std::vector<uint8_t>& firmware)
{
    BareRunResult result;
    ProgramFolder folder;
    const std::string dumpFolder = folder.File("dump");
    SimProcess sim({ports, true, true, eraseMs, {}, dumpFolder});
    if (static_cast<int>(sim.Paths().size()) != ports) {
        result.failure = "the virtual modules did not start";
        return result;
    }
    std::vector<int> fds;
    for (const std::string& path : sim.Paths()) {
        int error = 0;
        const int fd = posix::OpenSerialPort(path, baud, error);
        if (fd < 0) {
            result.failure = path + ": " + posix::ErrorText(error);
            break;
        }
        fds.push_back(fd);
    }
    const std::vector<Exchange> exchanges = DownloadExchanges(firmware);
    if (result.failure.empty()) {
        const double cpuBefore = ProcessCpuSeconds();
        const auto start = Clock::now();
        result.failure = Drive(fds, exchanges);
        result.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        result.cpuSeconds = ProcessCpuSeconds() - cpuBefore;
    }
    for (const int fd : fds)
        posix::CloseSerialPort(fd, baud);
    result.failure = CheckAfterRun(result.failure, sim, dumpFolder, ports, firmware);
    result.ok = result.failure.empty();
    return result;
}

}  // namespace veltra::bench
