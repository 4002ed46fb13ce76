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
#include <optional>

namespace veltra::bench {

namespace {

using Clock = std::chrono::steady_clock;

// A module that says nothing for this long has stopped; erase takes far less.
constexpr int kSilenceMs = 10000;

struct Exchange {
    std::string request;
    size_t replyLength = 0;
    size_t lineChars = 0;
};

void Add(std::vector<Exchange>& list, char code, std::string request, uint32_t expected)
{
    const size_t length = FullReplyLength(code, expected);
    const size_t chars = LineCharsUntilReplied(code, request.size(), expected);
    list.push_back({std::move(request), length, chars});
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

// The plainest client there is, with an epoll set as the tool's ports have:
// polling every terminal on every pass would raise the floor it stands for.
// With a `pauseRate` it also sleeps through the part of a long reply still on
// its way at that rate, as the tool's ports do to spare the CPU.
class BareClient {
public:
    BareClient(int set, const std::vector<int>& fds, const std::vector<Exchange>& exchanges, uint32_t pauseRate)
        : set_(set), exchanges_(exchanges), pauseRate_(pauseRate)
    {
        for (const int fd : fds)
            ports_.push_back(Port{fd, 0, 0, std::nullopt});
        running_ = ports_.size();
    }

    std::string Run()
    {
        for (size_t port = 0; port < ports_.size(); ++port) {
            if (!Watch(port))
                return "a port could not be watched";
            if (!Send(ports_[port].fd, exchanges_[0]))
                return "a first request could not be written";
        }
        std::array<epoll_event, 64> ready{};
        while (running_ > 0) {
            const int count = ::epoll_wait(set_, ready.data(), static_cast<int>(ready.size()), TimeoutMs());
            if (count < 0 && errno != EINTR)
                return "epoll_wait failed";
            if (count == 0 && std::none_of(ports_.begin(), ports_.end(), [](const Port& p) { return p.wake; }))
                return "a module went silent";
            const Clock::time_point now = Clock::now();
            for (size_t port = 0; port < ports_.size(); ++port) {
                if (ports_[port].wake && *ports_[port].wake <= now) {
                    ports_[port].wake.reset();
                    if (!Watch(port) || !Serve(port))
                        return failure_;
                }
            }
            for (int i = 0; i < count; ++i) {
                const auto port = static_cast<size_t>(ready[i].data.u64);
                if (!ports_[port].wake && !Serve(port))
                    return failure_;
            }
        }
        return {};
    }

private:
    struct Port {
        int fd = -1;
        size_t step = 0;
        size_t received = 0;
        std::optional<Clock::time_point> wake;  // while not watched
    };

    bool Watch(size_t port)
    {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = port;
        if (::epoll_ctl(set_, EPOLL_CTL_ADD, ports_[port].fd, &event) == 0)
            return true;
        failure_ = "a port could not be watched";
        return false;
    }

    // Until shortly before the reply can be whole, as the tool's ports wait.
    void Pause(size_t port, size_t chars)
    {
        if (pauseRate_ == 0)
            return;
        const double ms = static_cast<double>(chars) * 10'000.0 / pauseRate_ - 2.0;
        if (ms < 2.0)
            return;
        ::epoll_ctl(set_, EPOLL_CTL_DEL, ports_[port].fd, nullptr);
        ports_[port].wake = Clock::now() + std::chrono::microseconds(static_cast<int64_t>(ms * 1000));
    }

    // Reads what has come and sends the next request once the reply is whole.
    bool Serve(size_t port)
    {
        Port& p = ports_[port];
        char buffer[8192];
        const ssize_t got = ::read(p.fd, buffer, sizeof buffer);
        if (got < 0 && errno == EAGAIN)
            return true;
        if (got <= 0) {
            failure_ = "a line was lost";
            return false;
        }
        p.received += static_cast<size_t>(got);
        if (p.received < exchanges_[p.step].replyLength)
            return true;
        p.received = 0;
        if (++p.step == exchanges_.size()) {
            ::epoll_ctl(set_, EPOLL_CTL_DEL, p.fd, nullptr);
            --running_;
            return true;
        }
        if (!Send(p.fd, exchanges_[p.step])) {
            failure_ = "a request could not be written";
            return false;
        }
        Pause(port, exchanges_[p.step].lineChars);
        return true;
    }

    int TimeoutMs() const
    {
        std::optional<Clock::time_point> next;
        for (const Port& port : ports_) {
            if (port.wake && (!next || *port.wake < *next))
                next = port.wake;
        }
        if (!next)
            return kSilenceMs;
        const auto rest = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now()).count();
        return static_cast<int>(std::clamp<int64_t>(rest, 0, kSilenceMs));
    }

    int set_;
    const std::vector<Exchange>& exchanges_;
    uint32_t pauseRate_;
    std::vector<Port> ports_;
    size_t running_ = 0;
    std::string failure_;
};

std::string Drive(const std::vector<int>& fds, const std::vector<Exchange>& exchanges, uint32_t pauseRate)
{
    const int set = ::epoll_create1(EPOLL_CLOEXEC);
    if (set < 0)
        return "epoll_create1 failed";
    std::string failure = BareClient(set, fds, exchanges, pauseRate).Run();
    ::close(set);
    return failure;
}

}  // namespace

BareRunResult RunBareDownload(int ports, uint32_t baud, int eraseMs, const std::vector<uint8_t>& firmware,
                              bool sleepThroughReplies)
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
        result.failure = Drive(fds, exchanges, sleepThroughReplies ? baud : 0);
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
