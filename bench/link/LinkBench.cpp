// Serial channel benchmark on pseudo-terminals with an echoing peer.
//
// Turnaround: the time from SendData to the owner's data handler holding the
// whole reply, minus the same round trip done with plain blocking reads and
// writes on the same kind of pty and peer: what the channel and the hand-over
// to the owner's thread add. Throughput: a peer floods every channel at once
// and the owner's handler takes the bytes.
//
//   link_bench [rounds] [megabytes per channel]
//   LINK_BENCH_SPREAD=1 link_bench     also prints the spread of each set of samples
//
// The figures are only as quiet as the machine: run it when nothing else is.

#include "PosixSerial.h"
#include "PortDiscovery.h"
#include "ReceiveHandover.h"
#include "SerialChannel.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;
using veltra::ChannelPacket;
using veltra::SerialChannel;

namespace {

struct Pty {
    Pty()
    {
        ::openpty(&master, &slave, nullptr, nullptr, nullptr);
        path = ::ttyname(slave);
    }
    ~Pty()
    {
        ::close(master);
        ::close(slave);
    }
    int master = -1;
    int slave = -1;
    std::string path;
};

// Echoes every byte that reaches any master, until stopped.
class EchoPeer {
public:
    explicit EchoPeer(const std::vector<std::unique_ptr<Pty>>& ptys)
    {
        int wake[2];
        [[maybe_unused]] int r = ::pipe(wake);
        stopRead_ = wake[0];
        stopWrite_ = wake[1];
        std::vector<int> masters;
        for (const auto& pty : ptys) {
            masters.push_back(pty->master);
        }
        thread_ = std::thread([this, masters] {
            std::vector<pollfd> fds;
            for (int fd : masters) {
                fds.push_back({fd, POLLIN, 0});
            }
            fds.push_back({stopRead_, POLLIN, 0});
            char buffer[4096];
            while (::poll(fds.data(), fds.size(), -1) >= 0 && fds.back().revents == 0) {
                for (size_t i = 0; i + 1 < fds.size(); ++i) {
                    if (fds[i].revents & POLLIN) {
                        const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                        if (n > 0) {
                            [[maybe_unused]] ssize_t w = ::write(fds[i].fd, buffer, static_cast<size_t>(n));
                        }
                    }
                }
            }
        });
    }
    ~EchoPeer()
    {
        [[maybe_unused]] ssize_t w = ::write(stopWrite_, "x", 1);
        thread_.join();
        ::close(stopRead_);
        ::close(stopWrite_);
    }

private:
    int stopRead_ = -1;
    int stopWrite_ = -1;
    std::thread thread_;
};

double Median(std::vector<double> values, const char* what = nullptr)
{
    std::sort(values.begin(), values.end());
    if (what != nullptr && std::getenv("LINK_BENCH_SPREAD") != nullptr && !values.empty()) {
        std::printf("  %s: min %.1f p10 %.1f p50 %.1f p90 %.1f max %.1f us\n", what, values[0],
                    values[values.size() / 10], values[values.size() / 2], values[values.size() * 9 / 10],
                    values.back());
    }
    return values.empty() ? 0 : values[values.size() / 2];
}

// CPU time of the whole process (the peer included): unlike the wall clock it
// hardly changes when other programs load the machine.
double CpuMicros()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

double Micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

constexpr int kRequestBytes = 16;

// The same bursts of round trips without a channel: raw slaves written and
// read by one thread with poll(). The floor set by the kernel's ptys, the peer
// and a single thread taking the replies one after another.
double BaselineTurnaround(int count, int rounds, double& cpuPerRequest)
{
    std::vector<std::unique_ptr<Pty>> ptys;
    for (int i = 0; i < count; ++i) {
        ptys.push_back(std::make_unique<Pty>());
    }
    EchoPeer peer(ptys);
    std::vector<int> fds;
    for (const auto& pty : ptys) {
        int error = 0;
        fds.push_back(veltra::posix::OpenSerialPort(pty->path, 115200, error));
    }
    std::vector<double> samples;
    const std::string request(kRequestBytes, 'r');
    const double cpuStart = CpuMicros();
    for (int round = 0; round < rounds; ++round) {
        std::vector<Clock::time_point> sent(fds.size());
        std::vector<int> got(fds.size(), 0);
        for (size_t i = 0; i < fds.size(); ++i) {
            sent[i] = Clock::now();
            [[maybe_unused]] ssize_t w = ::write(fds[i], request.data(), request.size());
        }
        size_t complete = 0;
        while (complete < fds.size()) {
            std::vector<pollfd> waiting;
            for (size_t i = 0; i < fds.size(); ++i) {
                waiting.push_back({got[i] < kRequestBytes ? fds[i] : -1, POLLIN, 0});
            }
            ::poll(waiting.data(), waiting.size(), 1000);
            for (size_t i = 0; i < fds.size(); ++i) {
                if ((waiting[i].revents & POLLIN) == 0) {
                    continue;
                }
                char buffer[64];
                const ssize_t n = ::read(fds[i], buffer, sizeof buffer);
                if (n > 0 && (got[i] += static_cast<int>(n)) >= kRequestBytes) {
                    ++complete;
                    if (round >= rounds / 10) {
                        samples.push_back(Micros(Clock::now() - sent[i]));
                    }
                }
            }
        }
    }
    cpuPerRequest = (CpuMicros() - cpuStart) / (rounds * count);
    for (int fd : fds) {
        veltra::posix::CloseSerialPort(fd, 115200);
    }
    return Median(samples, "raw");
}

struct Rig {
    explicit Rig(int count)
    {
        for (int i = 0; i < count; ++i) {
            ptys.push_back(std::make_unique<Pty>());
            auto channel = std::make_unique<SerialChannel>();
            veltra::ChannelSettings settings;
            settings.portIndex = static_cast<int16_t>(i);
            settings.portName = veltra::PortNameFromPath(ptys.back()->path);
            settings.baudRate = 115200;
            channel->Configure(settings);
            channel->SetNotifyWindow(&handover);
            channels.push_back(std::move(channel));
        }
        received.assign(static_cast<size_t>(count), 0);
        lastArrival.assign(static_cast<size_t>(count), Clock::time_point{});
        for (auto& channel : channels) {
            channel->SetDataHandler([this](int16_t port, const uint8_t*, int bytes) {
                received[static_cast<size_t>(port)] += static_cast<size_t>(bytes);
                lastArrival[static_cast<size_t>(port)] = Clock::now();
                if (AllHave(target)) {
                    if (onAll) {
                        onAll();
                    } else if (loop != nullptr) {
                        loop->quit();
                    }
                }
            });
            if (!channel->Open()) {
                std::fprintf(stderr, "open failed: %s\n", channel->LastOpenError().c_str());
                std::exit(1);
            }
        }
    }
    ~Rig()
    {
        for (auto& channel : channels) {
            channel->Close();
        }
    }
    bool AllHave(size_t each) const
    {
        return std::all_of(received.begin(), received.end(), [&](size_t r) { return r >= each; });
    }
    // Runs the owner's event loop, as a GUI would, until every channel has
    // received `each` bytes; the data handler ends the loop.
    void PumpUntil(size_t each)
    {
        target = each;
        if (AllHave(target)) {
            return;
        }
        QEventLoop events;
        loop = &events;
        events.exec();
        loop = nullptr;
    }

    veltra::ReceiveHandover handover;
    std::vector<std::unique_ptr<Pty>> ptys;
    std::vector<std::unique_ptr<SerialChannel>> channels;
    std::vector<size_t> received;
    std::vector<Clock::time_point> lastArrival;
    QEventLoop* loop = nullptr;
    size_t target = 0;
    std::function<void()> onAll;  // instead of ending the loop
};

// Rounds run from the data handler, as the sheet's dispatcher sends the next
// request when a reply is complete, all inside one running event loop.
double ChannelTurnaround(int count, int rounds, double& cpuPerRequest)
{
    Rig rig(count);
    EchoPeer peer(rig.ptys);
    std::vector<double> samples;
    const std::string request(kRequestBytes, 'q');
    ChannelPacket packet;
    packet.code = 'Q';
    packet.command = 'Q';
    packet.length = kRequestBytes;
    packet.data = reinterpret_cast<const uint8_t*>(request.data());
    std::vector<Clock::time_point> sent(static_cast<size_t>(count));
    int round = 0;
    QEventLoop events;
    const auto sendAll = [&] {
        std::fill(rig.received.begin(), rig.received.end(), 0);
        for (int i = 0; i < count; ++i) {
            packet.port = static_cast<int16_t>(i);
            sent[static_cast<size_t>(i)] = Clock::now();
            rig.channels[static_cast<size_t>(i)]->SendData(packet);
        }
    };
    rig.target = kRequestBytes;
    rig.onAll = [&] {
        for (int i = 0; i < count; ++i) {
            rig.channels[static_cast<size_t>(i)]->ReplyComplete();
            if (round >= rounds / 10) {  // the first tenth warms up
                samples.push_back(Micros(rig.lastArrival[static_cast<size_t>(i)] - sent[static_cast<size_t>(i)]));
            }
        }
        if (++round < rounds) {
            sendAll();
        } else {
            events.quit();
        }
    };
    const double cpuStart = CpuMicros();
    sendAll();
    events.exec();
    cpuPerRequest = (CpuMicros() - cpuStart) / (rounds * count);
    rig.onAll = nullptr;
    return Median(samples, "channel");
}

void Throughput(int count, size_t bytesPerChannel, double& perChannel, double& total)
{
    Rig rig(count);
    std::atomic<bool> go{false};
    std::vector<std::thread> floods;
    for (auto& pty : rig.ptys) {
        floods.emplace_back([&go, fd = pty->master, bytesPerChannel] {
            std::vector<char> block(4096, 'f');
            while (!go) {
                std::this_thread::yield();
            }
            size_t done = 0;
            while (done < bytesPerChannel) {
                const ssize_t n = ::write(fd, block.data(), std::min(block.size(), bytesPerChannel - done));
                if (n > 0) {
                    done += static_cast<size_t>(n);
                }
            }
        });
    }
    const auto start = Clock::now();
    go = true;
    rig.PumpUntil(bytesPerChannel);
    const auto end = *std::max_element(rig.lastArrival.begin(), rig.lastArrival.end());
    for (auto& flood : floods) {
        flood.join();
    }
    const double seconds = std::chrono::duration<double>(end - start).count();
    const double megabytes = static_cast<double>(bytesPerChannel) / 1e6;
    perChannel = megabytes / seconds;
    total = megabytes * count / seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 2000;
    const size_t megabytes = argc > 2 ? static_cast<size_t>(std::atoi(argv[2])) : 16;

    std::printf("Each round sends a %d-byte request on every channel at once; the peer echoes it.\n"
                "Turnaround: send to the owner's handler holding the whole reply. Added: minus the same\n"
                "bursts on raw ptys read by one thread with poll().\n", kRequestBytes);
    for (const int count : {1, 16}) {
        const int countRounds = count == 1 ? rounds : rounds / 4;
        double baselineCpu = 0;
        double channelCpu = 0;
        const double baseline = BaselineTurnaround(count, countRounds, baselineCpu);
        const double turnaround = ChannelTurnaround(count, countRounds, channelCpu);
        double perChannel = 0;
        double total = 0;
        Throughput(count, megabytes * 1000 * 1000, perChannel, total);
        std::printf("%2d channel%s: turnaround median %.1f us, raw ptys %.1f us, added by channel and hand-over "
                    "%.1f us; CPU per request %.1f us (raw %.1f us); throughput %.1f MB/s per channel, %.1f MB/s in all\n",
                    count, count == 1 ? " " : "s", turnaround, baseline, turnaround - baseline, channelCpu, baselineCpu,
                    perChannel, total);
    }
    return 0;
}
