// Soak: 16 virtual modules (in-process, on pseudo-terminals) and 200
// operations in a row through the real sheet and its windows on the offscreen
// platform: ROM download, parameter download and upload, module test and test
// record read, mixed at random after one of each to warm up, with faults
// switched on at random on a random share of the ports each time. After every
// operation it checks what every sound module holds, what every faulty port
// showed, how the window ended and that no thread, descriptor or port lock was
// left behind; at the end it prints the figures and the peak memory at the
// first, middle and last operation.
//
//   soak [--modules N] [--operations N] [--seed N] [--fault-rate P]
//
// The seed is always printed; the same seed gives the same operations and
// faults. The exit status is 1 when any check failed, 2 on a bad option.

#include "BenchApplication.h"
#include "ProcessResources.h"
#include "SoakOptions.h"
#include "SoakRig.h"
#include "SoakTally.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

using namespace veltra;
using namespace veltra::soak;

namespace {

// After the warm-up a soak holds what it needs; Qt's own dialogs keep a few
// KiB each time one opens. What the tool holds between operations is what
// shows a leak: the peak also holds the largest passing need of any
// operation so far, which grows with the rare combinations a long soak meets.
constexpr long kGrowthToleranceKiB = 2 * 1024;

struct MemoryPoint {
    int operation = 0;
    bench::MemoryFigures figures;
};

double MiB(long kib)
{
    return static_cast<double>(kib) / 1024.0;
}

}  // namespace

int main(int argc, char** argv)
{
    auto app = bench::StartApplication(argc, argv);
    // Failures are printed as they are found; a run that has to be stopped keeps them.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const auto options = ParseSoakOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr, "%s\n", SoakUsage().c_str());
        return 2;
    }
    std::printf("soak: %d modules, %d operations, fault rate %.2f, seed %llu\n", options->modules,
                options->operations, options->faultRate, static_cast<unsigned long long>(options->seed));
    std::printf("to repeat: soak --modules %d --operations %d --fault-rate %g --seed %llu\n", options->modules,
                options->operations, options->faultRate, static_cast<unsigned long long>(options->seed));
    SoakTally tally(options->seed);
    SoakRig rig(*options, tally);
    if (!rig.SetUpFailure().empty()) {
        std::printf("FAILED to set up: %s\n", rig.SetUpFailure().c_str());
        return 1;
    }

    rig.WarmUp();
    // The kinds are dealt in rounds of one each, shuffled, so that even a
    // short run mixes every kind; the deck has a generator of its own.
    std::seed_seq deckSeed{static_cast<uint32_t>(options->seed), static_cast<uint32_t>(options->seed >> 32), 5u};
    std::mt19937_64 shuffler(deckSeed);
    std::vector<Operation> deck;
    const int last = options->operations;
    std::vector<MemoryPoint> memory;
    for (int number = 1; number <= last; ++number) {
        if (deck.empty()) {
            for (int kind = 0; kind < kOperationKinds; ++kind)
                deck.push_back(static_cast<Operation>(kind));
            std::shuffle(deck.begin(), deck.end(), shuffler);
        }
        rig.Run(number, deck.back());
        deck.pop_back();
        if (number == 1 || number == (last + 1) / 2 || number == last)
            memory.push_back({number, bench::Memory()});
    }

    const long growth = memory.back().figures.residentKiB - memory.front().figures.residentKiB;
    if (growth > kGrowthToleranceKiB)
        tally.Fail(last, -1, "the resident memory grew by " + std::to_string(growth) + " KiB since operation 1");
    std::printf("\noperations run    %d (", tally.Operations());
    for (int k = 0; k < kOperationKinds; ++k)
        std::printf("%s%s %d", k == 0 ? "" : ", ", OperationName(static_cast<Operation>(k)),
                    tally.OperationsOf(static_cast<Operation>(k)));
    std::printf(")\n");
    std::printf("faults injected   %d\n", tally.Injected());
    std::printf("faults detected   %d (and %d the tool had to survive, and did)\n", tally.Detected(),
                tally.Survived());
    std::printf("wrong bytes       %zu\n", tally.WrongBytes());
    std::printf("wrong values      %d (uploaded values that are not what the module holds)\n", tally.WrongValues());
    std::printf("unearned rows     %d (\"Completed!\" for a port whose work was not done)\n",
                tally.UnearnedCompletions());
    std::printf("refused downloads %d (out-of-range values: nothing written, as it must be)\n",
                tally.RefusedDownloads());
    std::printf("hangs             %d\n", tally.Hangs());
    std::printf("peak memory      ");
    for (const MemoryPoint& point : memory)
        std::printf(" at operation %d: %.1f MiB (resident %.1f);", point.operation, MiB(point.figures.peakKiB),
                    MiB(point.figures.residentKiB));
    std::printf("\nchecks failed     %zu\n", tally.Failures());
    std::printf("seed              %llu\n", static_cast<unsigned long long>(options->seed));
    return tally.Failures() == 0 ? 0 : 1;
}
