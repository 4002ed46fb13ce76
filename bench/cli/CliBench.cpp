// veltra-cli benchmark: a ROM download of a 32 KiB image (erase, blank check,
// program, verify) to 32 ports through `veltra-cli rom`, with line-rate
// emulation, against the physical minimum of the line; and the CPU per port
// of the veltra-cli process beside that of the sheet for the same download.
//
//   cli_bench [--ports N] [--baud N] [--runs N] [--erase-ms MS] [--no-sheet]
//
// The modules run in a veltra-sim child process. veltra-cli's CPU is its
// whole process, start-up and files included (the start-up alone is printed
// too); the sheet's is this process's from the click to the window's close.
// The machine is shared: each figure is the best and the median of N runs.

#include "BenchApplication.h"
#include "CliRun.h"
#include "CpuClock.h"
#include "FirmwareImage.h"
#include "RomMinimum.h"
#include "RomRun.h"
#include "RunFigures.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace veltra::bench;

namespace {

constexpr size_t kImageBytes = 32 * 1024;
constexpr double kAllowedOverMinimum = 1.03;

struct Options {
    int ports = 32;
    uint32_t baud = 115200;
    int runs = 3;
    int eraseMs = 200;
    bool sheet = true;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--no-sheet") {
            options.sheet = false;
            continue;
        }
        if (i + 1 >= argc)
            return false;
        const long value = std::atol(argv[++i]);
        if (arg == "--ports")
            options.ports = static_cast<int>(value);
        else if (arg == "--baud")
            options.baud = static_cast<uint32_t>(value);
        else if (arg == "--runs")
            options.runs = static_cast<int>(value);
        else if (arg == "--erase-ms")
            options.eraseMs = static_cast<int>(value);
        else
            return false;
    }
    return options.ports > 0 && options.ports <= 256 && options.baud >= 300 && options.baud <= 4000000 &&
           options.runs > 0 && options.eraseMs >= 0;
}

void PrintRow(const char* name, const RunFigures& wall, const RunFigures& cpu, int ports, double minimum, int failures)
{
    if (wall.Empty()) {
        std::printf("%-10s no run completed, %d failed\n", name, failures);
        return;
    }
    std::printf("%-10s %9.3f %9.3f %8.4f %8.4f %9s %12.2f %12.2f %5d\n", name, wall.Best(), wall.Median(),
                wall.Best() / minimum, wall.Median() / minimum, wall.Median() <= minimum * kAllowedOverMinimum ? "yes" : "no",
                1000.0 * cpu.Best() / ports, 1000.0 * cpu.Median() / ports, failures);
}

}  // namespace

int main(int argc, char** argv)
{
    auto app = StartApplication(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: cli_bench [--ports N] [--baud N] [--runs N] [--erase-ms MS] [--no-sheet]\n");
        return 2;
    }
    const std::vector<uint8_t> firmware = FirmwareBytes(kImageBytes);
    const RomLineLoad load = RomDownloadLoad(static_cast<uint32_t>(kImageBytes - 1));
    const double minimum = PhysicalMinimumSeconds(load, options.baud, options.eraseMs / 1000.0);
    std::printf("ROM download of %zu bytes to %d ports at %u bit/s with line-rate emulation, Erase + Blank Check +"
                " ROM Down + Verify, erase %d ms, %d run(s) each\n",
                kImageBytes, options.ports, options.baud, options.eraseMs, options.runs);
    std::printf("physical minimum per port: %llu exchanges, %llu bytes on the line: %.3f s\n",
                static_cast<unsigned long long>(load.exchanges), static_cast<unsigned long long>(load.bytes), minimum);
    std::printf("load averages before: %s\n", LoadAverages().c_str());

    RunFigures cliWall, cliCpu, simCpu, sheetWall, sheetCpu;
    int cliFailures = 0;
    int sheetFailures = 0;
    for (int run = 0; run < options.runs; ++run) {
        const CliRunResult cli = RunCliRomDownload({options.ports, options.baud, options.eraseMs, firmware});
        if (cli.ok) {
            cliWall.Add(cli.wallSeconds);
            cliCpu.Add(cli.cliCpuSeconds);
            simCpu.Add(cli.simCpuSeconds);
        } else {
            ++cliFailures;
            std::printf("  veltra-cli run %d failed: %s\n", run + 1, cli.failure.c_str());
        }
        if (!options.sheet)
            continue;
        const RomRunResult sheet = RunRomDownload({options.ports, options.baud, true, options.eraseMs, firmware});
        if (sheet.ok) {
            sheetWall.Add(sheet.wallSeconds);
            sheetCpu.Add(sheet.toolCpuSeconds);
        } else {
            ++sheetFailures;
            std::printf("  sheet run %d failed: %s\n", run + 1, sheet.failure.c_str());
        }
    }

    std::printf("\n(times in s; ratio: wall over the physical minimum; within 3 %%: the median is; CPU per port in ms)\n");
    std::printf("%-10s %9s %9s %8s %8s %9s %12s %12s %5s\n", "", "wall-best", "wall-med", "r-best", "r-med",
                "within3%", "cpu/port-b", "cpu/port-med", "fail");
    PrintRow("veltra-cli", cliWall, cliCpu, options.ports, minimum, cliFailures);
    if (options.sheet)
        PrintRow("sheet", sheetWall, sheetCpu, options.ports, minimum, sheetFailures);
    std::printf("veltra-cli start-up alone (--help): %.3f s CPU; the modules' process: %.3f s CPU (median)\n",
                CliStartUpCpuSeconds(), simCpu.Empty() ? 0.0 : simCpu.Median());
    std::printf("load averages after: %s\n", LoadAverages().c_str());
    return cliFailures == 0 && sheetFailures == 0 ? 0 : 1;
}
