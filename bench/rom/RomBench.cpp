// ROM download benchmark: a 32 KiB image erased, blank-checked, programmed and
// verified through the real sheet and status window (offscreen) into virtual
// modules at each rate asked for (115,200 and 921,600 bit/s by default; the
// boot loader takes any rate its handshake finds) with line-rate emulation,
// against the physical minimum of the line; then the same without line-rate
// emulation, where the tool's own speed shows.
//
//   rom_bench [--ports 1,8,32,64] [--baud 115200,921600] [--runs N] [--erase-ms MS]
//   ROM_BENCH_EACH=1 rom_bench    also prints every run's figures
//
// The modules run in a veltra-sim child process, so this process's CPU time is
// the tool's own: the sheet, the windows and the ports. Each paced run is
// paired with one of a bare poll loop doing the same exchanges, whose time is
// what the bench itself (modules, pseudo terminals, this machine) costs.
// The machine is shared: each figure is the best and the median of N runs,
// and the load averages are printed before and after.

#include "BareLoop.h"
#include "BenchApplication.h"
#include "CpuClock.h"
#include "FirmwareImage.h"
#include "RomMinimum.h"
#include "RomRun.h"
#include "RunFigures.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace veltra::bench;

namespace {

constexpr size_t kImageBytes = 32 * 1024;

struct Options {
    std::vector<int> ports = {1, 8, 32};
    std::vector<uint32_t> bauds = {115200, 921600};
    int runs = 3;
    int eraseMs = 200;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            return false;
        const std::string value = argv[++i];
        if (arg == "--baud") {
            options.bauds.clear();
            std::istringstream list(value);
            for (std::string item; std::getline(list, item, ',');) {
                const long rate = std::atol(item.c_str());
                if (rate < 300 || rate > 4000000)
                    return false;
                options.bauds.push_back(static_cast<uint32_t>(rate));
            }
        } else if (arg == "--ports") {
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
        } else if (arg == "--erase-ms") {
            options.eraseMs = std::atoi(value.c_str());
        } else {
            return false;
        }
    }
    return !options.ports.empty() && !options.bauds.empty() && options.runs > 0 && options.eraseMs >= 0;
}

struct Figures {
    RunFigures wall;
    RunFigures toolCpu;
    RunFigures simCpu;
    RunFigures toolWait;
    RunFigures simWait;
    RunFigures turnaround;  // the tool's share of one port's run, summed over its exchanges
    RunFigures idleMiB;
    RunFigures addedKiBPerPort;  // peak above idle
    RunFigures bare;             // the bare loop's wall time
    RunFigures sparingCpu;       // the CPU of the one that sleeps through replies
    RunFigures sparingWall;      // and its wall time
    int failures = 0;
};

Figures Measure(const Options& options, int ports, uint32_t baud, bool lineRate, const std::vector<uint8_t>& firmware)
{
    Figures figures;
    for (int run = 0; run < options.runs; ++run) {
        if (lineRate) {
            const BareRunResult bare = RunBareDownload(ports, baud, options.eraseMs, firmware, false);
            const BareRunResult sparing = RunBareDownload(ports, baud, options.eraseMs, firmware, true);
            if (bare.ok && sparing.ok) {
                figures.bare.Add(bare.wallSeconds);
                figures.sparingCpu.Add(sparing.cpuSeconds);
                figures.sparingWall.Add(sparing.wallSeconds);
            } else {
                std::printf("  %d port(s), bare run %d failed: %s\n", ports, run + 1,
                            (bare.ok ? sparing : bare).failure.c_str());
            }
        }
        const RomRunResult result = RunRomDownload({ports, baud, lineRate, options.eraseMs, firmware});
        if (!result.ok) {
            ++figures.failures;
            std::printf("  %d port(s)%s, run %d failed: %s\n", ports, lineRate ? "" : " unpaced", run + 1,
                        result.failure.c_str());
            continue;
        }
        figures.wall.Add(result.wallSeconds);
        figures.toolCpu.Add(result.toolCpuSeconds);
        figures.simCpu.Add(result.simCpuSeconds);
        figures.toolWait.Add(result.toolWaitSeconds);
        figures.simWait.Add(result.simWaitSeconds);
        figures.turnaround.Add(result.turnarounds.totalSeconds / ports);
        figures.idleMiB.Add(result.idleMiB);
        figures.addedKiBPerPort.Add((result.peakMiB - result.idleMiB) * 1024.0 / ports);
        if (std::getenv("ROM_BENCH_EACH") != nullptr)
            std::printf("  %d port(s)%s run %d: wall %.3f tool cpu %.3f sim cpu %.3f, run-queue wait tool %.3f sim %.3f,"
                        " %llu turnarounds %.3f s per port, longest %.1f ms\n",
                        ports, lineRate ? "" : " unpaced", run + 1, result.wallSeconds, result.toolCpuSeconds,
                        result.simCpuSeconds, result.toolWaitSeconds, result.simWaitSeconds,
                        static_cast<unsigned long long>(result.turnarounds.count), result.turnarounds.totalSeconds / ports,
                        result.turnarounds.longestSeconds * 1000);
        std::fflush(stdout);
    }
    return figures;
}

}  // namespace

int main(int argc, char** argv)
{
    auto app = StartApplication(argc, argv);
    // Figures of finished runs survive a run that has to be stopped.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: rom_bench [--ports 1,8,32,64] [--baud 115200,921600] [--runs N] [--erase-ms MS]\n");
        return 2;
    }
    const std::vector<uint8_t> firmware = FirmwareBytes(kImageBytes);
    const RomLineLoad load = RomDownloadLoad(static_cast<uint32_t>(kImageBytes - 1));
    std::printf("ROM download of %zu bytes, Erase + Blank Check + ROM Down + Verify, %d run(s) each\n", kImageBytes,
                options.runs);
    std::printf("load averages before: %s\n", LoadAverages().c_str());

    // Fonts, styles and the first windows are made once per process: a short
    // unpaced run first keeps that one-off cost out of the first figures.
    if (const RomRunResult warmUp = RunRomDownload({1, 115200, false, 0, firmware}); !warmUp.ok) {
        std::printf("warm-up run failed: %s\n", warmUp.failure.c_str());
        return 1;
    }
    for (const uint32_t baud : options.bauds) {
        const double minimum = PhysicalMinimumSeconds(load, baud, options.eraseMs / 1000.0);
        std::printf("\nAt %u bit/s: physical minimum per port %llu exchanges, %llu bytes on the line, erase %d ms: "
                    "%.3f s\n", baud, static_cast<unsigned long long>(load.exchanges),
                    static_cast<unsigned long long>(load.bytes), options.eraseMs, minimum);
        std::map<int, Figures> paced;
        for (int ports : options.ports)
            paced[ports] = Measure(options, ports, baud, true, firmware);
        std::printf("With line-rate emulation (times in s; CPU of the tool's process and of the modules' process;\n"
                    "wait: thread-seconds ready but kept off a CPU; turn: the tool's turnarounds of one port, summed;\n"
                    "cpu%%/port: the tool's CPU per port as a share of one core over the run; idle: the tool's\n"
                    "resident MiB with the sheet open; KiB/port: its peak above idle per port; bare: the bare\n"
                    "loop's wall time, r-bare: against the minimum, tool/bare: the tool's against it, bare%%/port: the\n"
                    "CPU per port of a bare loop that sleeps through long replies as the tool does; medians)\n");
        std::printf("%6s %9s %9s %9s %7s %7s %9s %9s %9s %9s %9s %9s %9s %7s %8s %7s %7s %9s %10s %5s\n", "ports",
                    "wall-best",
                    "wall-med", "minimum", "r-best", "r-med", "tool-cpu", "tool-med", "cpu%/port", "sim-cpu",
                    "tool-wait", "sim-wait", "turn", "idle", "KiB/port", "bare", "r-bare", "tool/bare", "bare%/port", "fail");
        for (int ports : options.ports) {
            const Figures& f = paced[ports];
            if (f.wall.Empty()) {
                std::printf("%6d %s %5d\n", ports, "no run completed", f.failures);
                continue;
            }
            const double bare = f.bare.Empty() ? 0.0 : f.bare.Median();
            const double sparingWall = f.sparingWall.Empty() ? 0.0 : f.sparingWall.Median();
            const double bareCpuShare = sparingWall > 0 ? 100.0 * f.sparingCpu.Median() / ports / sparingWall : 0.0;
            std::printf("%6d %9.3f %9.3f %9.3f %7.4f %7.4f %9.3f %9.3f %9.3f %9.3f %9.3f %9.3f %9.3f %7.1f %8.1f %7.3f "
                        "%7.4f %9.4f %10.3f %5d\n",
                        ports, f.wall.Best(), f.wall.Median(), minimum, f.wall.Best() / minimum,
                        f.wall.Median() / minimum, f.toolCpu.Best(), f.toolCpu.Median(),
                        100.0 * f.toolCpu.Median() / ports / f.wall.Median(), f.simCpu.Median(), f.toolWait.Median(),
                        f.simWait.Median(), f.turnaround.Median(), f.idleMiB.Median(), f.addedKiBPerPort.Median(),
                        bare, bare / minimum, bare > 0 ? f.wall.Median() / bare : 0.0, bareCpuShare, f.failures);
        }
        const auto single = paced.find(1);
        if (single != paced.end() && !single->second.wall.Empty()) {
            for (int ports : options.ports) {
                if (ports == 1 || paced[ports].wall.Empty())
                    continue;
                std::printf("%d ports against 1 port: best %.4f, median %.4f\n", ports,
                            paced[ports].wall.Best() / single->second.wall.Best(),
                            paced[ports].wall.Median() / single->second.wall.Median());
            }
        }
    }

    std::printf("\nWithout line-rate emulation (whole run; tool CPU per port)\n");
    std::printf("%6s %9s %9s %12s %12s %9s %5s\n", "ports", "wall-best", "wall-med", "cpu/port-b", "cpu/port-med",
                "sim-cpu", "fail");
    for (int ports : options.ports) {
        const Figures f = Measure(options, ports, options.bauds.front(), false, firmware);
        if (f.wall.Empty()) {
            std::printf("%6d %s %5d\n", ports, "no run completed", f.failures);
            continue;
        }
        std::printf("%6d %9.3f %9.3f %12.4f %12.4f %9.3f %5d\n", ports, f.wall.Best(), f.wall.Median(),
                    f.toolCpu.Best() / ports, f.toolCpu.Median() / ports, f.simCpu.Median(), f.failures);
        std::fflush(stdout);
    }
    std::printf("\nload averages after: %s\n", LoadAverages().c_str());
    return 0;
}
