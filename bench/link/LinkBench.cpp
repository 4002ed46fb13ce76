// Port benchmark on pseudo-terminals with an echoing peer.
//
// Turnaround: the time from writing a request to the owner's handler holding
// the whole reply, minus the same round trip done with plain reads and
// writes on the same kind of pty and peer: what the port layer adds. Measured
// for the tool's port bank (one epoll set on the owner's thread) and for
// the other design it could have had (one I/O thread handing chunks over).
// Throughput: a peer floods every port at once. Idle: what connected ports
// that await nothing cost over ten seconds.
//
//   link_bench [rounds] [megabytes per port] [idle seconds]
//   LINK_BENCH_SPREAD=1 link_bench     also prints the spread of each set of samples
//
// The figures are only as quiet as the machine: run it when nothing else is.

#include "IoThreadPorts.h"
#include "PortBank.h"
#include "PosixSerial.h"
#include "ProcessResources.h"
#include "Pty.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <poll.h>
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
using veltra::testing::Pty;

namespace {

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
            masters.push_back(pty->Master());
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
        fds.push_back(veltra::posix::OpenSerialPort(pty->Path(), 115200, error));
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

// A round: the request goes out on every port at once; when every port has
// its whole echo the next round starts from the handler, as the dispatcher
// sends the next request when a reply is complete.
class Rounds {
public:
    Rounds(int count, int rounds) : count_(count), rounds_(rounds), received_(static_cast<size_t>(count), 0),
                                     sent_(static_cast<size_t>(count)) {}

    // `write` sends the request on a port; the result is the median turnaround.
    double Run(const std::function<void(int)>& write, double& cpuPerRequest)
    {
        write_ = write;
        const double cpuStart = CpuMicros();
        SendAll();
        loop_.exec();
        cpuPerRequest = (CpuMicros() - cpuStart) / (rounds_ * count_);
        return Median(samples_, "turnaround");
    }

    void Received(int port, size_t count)
    {
        size_t& got = received_[static_cast<size_t>(port)];
        got += count;
        if (got == kRequestBytes && round_ >= rounds_ / 10)  // the first tenth warms up
            samples_.push_back(Micros(Clock::now() - sent_[static_cast<size_t>(port)]));
        if (got == kRequestBytes && ++complete_ == count_) {
            if (++round_ < rounds_)
                SendAll();
            else
                loop_.quit();
        }
    }

private:
    void SendAll()
    {
        complete_ = 0;
        std::fill(received_.begin(), received_.end(), 0);
        for (int port = 0; port < count_; ++port) {
            sent_[static_cast<size_t>(port)] = Clock::now();
            write_(port);
        }
    }

    int count_;
    int rounds_;
    int round_ = 0;
    int complete_ = 0;
    std::vector<size_t> received_;
    std::vector<Clock::time_point> sent_;
    std::vector<double> samples_;
    std::function<void(int)> write_;
    QEventLoop loop_;
};

// The tool's bank, reporting every chunk to a handler.
struct BankRig : veltra::PortReceiver {
    explicit BankRig(int count)
    {
        for (int i = 0; i < count; ++i) {
            ptys.push_back(std::make_unique<Pty>());
            bank.AddPort(ptys.back()->Path());
            if (!bank.Open(i, 115200)) {
                std::fprintf(stderr, "open failed: %s\n", bank.OpenError(i).c_str());
                std::exit(1);
            }
        }
        bank.SetReceiver(this);
    }
    void OnReceivedData(int port, const char*, size_t count) override { handler(port, count); }
    void OnPortTimedOut(int, int, char) override {}

    std::vector<std::unique_ptr<Pty>> ptys;
    veltra::PortBank bank;
    std::function<void(int, size_t)> handler = [](int, size_t) {};
};

double BankTurnaround(int count, int rounds, double& cpuPerRequest)
{
    BankRig rig(count);
    EchoPeer peer(rig.ptys);
    Rounds run(count, rounds);
    rig.handler = [&](int port, size_t bytes) {
        rig.bank.ReplyArrived(port);
        run.Received(port, bytes);
    };
    const auto request = veltra::CommandRecord::Make('Q', std::string(kRequestBytes, 'q'));
    return run.Run([&](int port) { rig.bank.Send(port, request, 60000); }, cpuPerRequest);
}

double IoThreadTurnaround(int count, int rounds, double& cpuPerRequest)
{
    std::vector<std::unique_ptr<Pty>> ptys;
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        ptys.push_back(std::make_unique<Pty>());
        paths.push_back(ptys.back()->Path());
    }
    EchoPeer peer(ptys);
    Rounds run(count, rounds);
    veltra::bench::IoThreadPorts ports(paths, 115200, [&](int port, const char*, size_t bytes) { run.Received(port, bytes); });
    const std::string request(kRequestBytes, 'q');
    return run.Run([&](int port) { ports.Write(port, request); }, cpuPerRequest);
}

void Throughput(int count, size_t bytesPerPort, double& perPort, double& total)
{
    BankRig rig(count);
    std::vector<size_t> received(static_cast<size_t>(count), 0);
    Clock::time_point last;
    QEventLoop loop;
    int full = 0;
    rig.handler = [&](int port, size_t bytes) {
        size_t& got = received[static_cast<size_t>(port)];
        got += bytes;
        last = Clock::now();
        if (got >= bytesPerPort && got - bytes < bytesPerPort && ++full == count)
            loop.quit();
    };
    std::atomic<bool> go{false};
    std::vector<std::thread> floods;
    for (auto& pty : rig.ptys) {
        floods.emplace_back([&go, fd = pty->Master(), bytesPerPort] {
            std::vector<char> block(4096, 'f');
            while (!go)
                std::this_thread::yield();
            size_t done = 0;
            while (done < bytesPerPort) {
                const ssize_t n = ::write(fd, block.data(), std::min(block.size(), bytesPerPort - done));
                if (n > 0)
                    done += static_cast<size_t>(n);
                else
                    ::poll(nullptr, 0, 1);
            }
        });
    }
    const auto start = Clock::now();
    go = true;
    loop.exec();
    for (auto& flood : floods)
        flood.join();
    const double seconds = std::chrono::duration<double>(last - start).count();
    const double megabytes = static_cast<double>(bytesPerPort) / 1e6;
    perPort = megabytes / seconds;
    total = megabytes * count / seconds;
}

// Connected ports that await nothing, as between two operations.
void Idle(int count, int seconds, double& cpuShare, int& threadsAdded)
{
    const size_t threadsBefore = veltra::bench::ThreadNames().size();
    BankRig rig(count);
    threadsAdded = static_cast<int>(veltra::bench::ThreadNames().size()) - static_cast<int>(threadsBefore);
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    const double cpuStart = CpuMicros();
    const auto start = Clock::now();
    loop.exec();
    cpuShare = (CpuMicros() - cpuStart) / Micros(Clock::now() - start);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 2000;
    const size_t megabytes = argc > 2 ? static_cast<size_t>(std::atoi(argv[2])) : 16;
    const int idleSeconds = argc > 3 ? std::atoi(argv[3]) : 10;

    std::printf("Each round sends a %d-byte request on every port at once; the peer echoes it. Turnaround:\n"
                "request written to the owner's handler holding the whole reply; added: minus the same bursts\n"
                "on raw ptys read by one thread with poll().\n\n", kRequestBytes);
    std::printf("ports | raw us | bank: median, added us, CPU/request us | I/O thread: median, added us, CPU/request us"
                " | bank throughput MB/s per port, in all\n");
    for (const int count : {1, 16, 64}) {
        const int countRounds = std::max(50, count == 1 ? rounds : rounds * 4 / count);
        double rawCpu = 0;
        double bankCpu = 0;
        double threadCpu = 0;
        const double raw = BaselineTurnaround(count, countRounds, rawCpu);
        const double bank = BankTurnaround(count, countRounds, bankCpu);
        const double thread = IoThreadTurnaround(count, countRounds, threadCpu);
        double perPort = 0;
        double total = 0;
        Throughput(count, megabytes * 1000 * 1000 / static_cast<size_t>(count), perPort, total);
        std::printf("%5d | %6.1f | %7.1f %7.1f %7.1f | %7.1f %7.1f %7.1f | %6.2f %7.2f\n", count, raw, bank, bank - raw,
                    bankCpu, thread, thread - raw, threadCpu, perPort, total);
        std::fflush(stdout);
    }
    std::printf("\nIdle, connected, nothing awaited, over %d s:\n", idleSeconds);
    for (const int count : {16, 64}) {
        double share = 0;
        int threads = 0;
        Idle(count, idleSeconds, share, threads);
        std::printf("%5d ports: %.3f %% of a core, %d thread(s) added\n", count, share * 100, threads);
    }
    return 0;
}
