// Parameter transfer benchmark: the shipped default parameter file uploaded
// from one virtual module and downloaded into 1 and 16, through the real sheet,
// upload window and status window (offscreen), at 9,600 bit/s with line-rate
// emulation, against the physical minimum of the line: every request and every
// reply at ten bits a byte, one after the other.
//
//   params_bench [--runs N] [--ports 1,16]
//   PARAMS_BENCH_EACH=1 params_bench    also prints every run's figures
//
// The modules run in a veltra-sim child process, so this process's CPU time is
// the tool's own. The machine is shared: each figure is the best and the
// median of N runs, and the load averages are printed before and after.

#include "BenchApplication.h"
#include "CpuClock.h"
#include "ParamsRun.h"
#include "RunFigures.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

using namespace veltra::bench;

namespace {

constexpr double kBaud = 9600;

struct Options {
    std::vector<int> ports = {1, 16};
    int runs = 3;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        const std::string value = argv[i + 1];
        if (arg == "--ports") {
            options.ports.clear();
            std::istringstream list(value);
            for (std::string item; std::getline(list, item, ',');) {
                const int count = std::atoi(item.c_str());
                if (count < 1 || count > 256)
                    return false;
                options.ports.push_back(count);
            }
        } else if (arg == "--runs") {
            options.runs = std::atoi(value.c_str());
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && !options.ports.empty() && options.runs > 0;
}

void Measure(const char* name, Transfer transfer, int ports, int runs)
{
    RunFigures wall;
    RunFigures cpu;
    RunFigures simCpu;
    RunFigures toolWait;
    RunFigures simWait;
    RunFigures turnaround;
    double minimum = 0;
    unsigned long long exchanges = 0;
    int failures = 0;
    for (int run = 0; run < runs; ++run) {
        const ParamsRunResult result = RunParameterTransfer(transfer, ports);
        if (!result.ok) {
            ++failures;
            std::printf("  %s %d port(s), run %d failed: %s\n", name, ports, run + 1, result.failure.c_str());
            continue;
        }
        wall.Add(result.wallSeconds);
        cpu.Add(result.toolCpuSeconds);
        simCpu.Add(result.simCpuSeconds);
        toolWait.Add(result.toolWaitSeconds);
        simWait.Add(result.simWaitSeconds);
        turnaround.Add(result.turnarounds.totalSeconds / ports);
        if (std::getenv("PARAMS_BENCH_EACH") != nullptr)
            std::printf("  %s %d port(s) run %d: wall %.3f tool cpu %.3f sim cpu %.3f, run-queue wait tool %.3f sim %.3f,"
                        " %llu turnarounds %.3f s per port, longest %.1f ms\n",
                        name, ports, run + 1, result.wallSeconds, result.toolCpuSeconds, result.simCpuSeconds,
                        result.toolWaitSeconds, result.simWaitSeconds,
                        static_cast<unsigned long long>(result.turnarounds.count),
                        result.turnarounds.totalSeconds / ports, result.turnarounds.longestSeconds * 1000);
        minimum = static_cast<double>(result.lineBytes) * 10.0 / kBaud;
        exchanges = result.exchanges;
    }
    if (wall.Empty()) {
        std::printf("%-9s %6d  no run completed (%d failed)\n", name, ports, failures);
        return;
    }
    std::printf("%-9s %6d %9llu %9.3f %9.3f %9.3f %7.4f %7.4f %9.3f %9.3f %9.3f %9.3f %9.3f %5d\n", name, ports,
                exchanges, wall.Best(), wall.Median(), minimum, wall.Best() / minimum, wall.Median() / minimum,
                cpu.Median(), simCpu.Median(), toolWait.Median(), simWait.Median(), turnaround.Median(), failures);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    auto app = StartApplication(argc, argv);
    // Figures of finished runs survive a run that has to be stopped.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: params_bench [--runs N] [--ports 1,16]\n");
        return 2;
    }
    std::printf("Default parameter file at %.0f bit/s with line-rate emulation, %d run(s) each\n", kBaud,
                options.runs);
    std::printf("load averages before: %s\n\n", LoadAverages().c_str());
    std::printf("%-9s %6s %9s %9s %9s %9s %7s %7s %9s %9s %9s %9s %9s %5s\n", "transfer", "ports", "exchanges",
                "wall-best", "wall-med", "minimum", "r-best", "r-med", "tool-cpu", "sim-cpu", "tool-wait", "sim-wait",
                "turn", "fail");
    Measure("upload", Transfer::Upload, 1, options.runs);
    for (int ports : options.ports)
        Measure("download", Transfer::Download, ports, options.runs);
    std::printf("\n(exchanges per port; times in s; CPU of the tool's and the modules' process, wait: the\n"
                " thread-seconds ready but kept off a CPU, turn: the tool's turnarounds of one port, summed: medians)\n");
    std::printf("load averages after: %s\n", LoadAverages().c_str());
    return 0;
}
