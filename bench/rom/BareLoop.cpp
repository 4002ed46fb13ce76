#include "BareLoop.h"

#include "CommandRecord.h"
#include "FirmwareImage.h"
#include "PosixSerial.h"
#include "ProgramFolder.h"
#include "ReplyRules.h"
#include "SimProcess.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
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

std::string Drive(const std::vector<int>& fds, const std::vector<Exchange>& exchanges)
{
    std::vector<size_t> step(fds.size(), 0);
    std::vector<size_t> received(fds.size(), 0);
    std::vector<pollfd> watched;
    for (const int fd : fds)
        watched.push_back({fd, POLLIN, 0});
    for (size_t port = 0; port < fds.size(); ++port) {
        if (!Send(fds[port], exchanges[0]))
            return "a first request could not be written";
    }
    size_t running = fds.size();
    char buffer[8192];
    while (running > 0) {
        const int ready = ::poll(watched.data(), watched.size(), kSilenceMs);
        if (ready == 0)
            return "a module went silent";
        if (ready < 0 && errno != EINTR)
            return "poll failed";
        for (size_t port = 0; port < watched.size(); ++port) {
            if (watched[port].revents == 0)
                continue;
            const ssize_t got = ::read(watched[port].fd, buffer, sizeof buffer);
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
                watched[port].fd = -1;  // done: poll leaves a negative descriptor alone
                --running;
            } else if (!Send(watched[port].fd, exchanges[step[port]])) {
                return "a request could not be written";
            }
        }
    }
    return {};
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
        const auto start = Clock::now();
        result.failure = Drive(fds, exchanges);
        result.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    }
    for (const int fd : fds)
        posix::CloseSerialPort(fd, baud);
    result.failure = CheckAfterRun(result.failure, sim, dumpFolder, ports, firmware);
    result.ok = result.failure.empty();
    return result;
}

}  // namespace veltra::bench
