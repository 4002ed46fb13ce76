// How closely the virtual module keeps to a real line: a full read-back range
// (21 characters out, 2,519 back) timed against the ten-bits-per-character
// figure, at the rates the tool offers; then the same exchange unpaced, which
// is what the simulator itself costs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "Pty.h"
#include "VirtualModule.h"

namespace {

using namespace veltra::sim;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 9;
const char* const kReadBack = ":05000004000003FF00F5";

double ReadBackSeconds(veltra::testing::Line& line)
{
    const auto started = Clock::now();
    line.Write(kReadBack);
    const auto reply = line.Read(2519, std::chrono::seconds(30));
    if (reply.size() != 2519) {
        std::fprintf(stderr, "short reply: %zu characters\n", reply.size());
        return -1;
    }
    return std::chrono::duration<double>(Clock::now() - started).count();
}

}  // namespace

int main()
{
    ModuleOptions options;
    options.start = Personality::BootLoader;
    options.lineRateEmulation = true;
    VirtualModule module(options);

    std::printf("%-8s %12s %12s %12s %12s %10s\n", "bit/s", "nominal ms", "best ms", "median ms", "worst ms", "median %");
    for (const std::uint32_t rate : {9600u, 19200u, 38400u, 57600u, 115200u}) {
        veltra::testing::Line line(module.Path(), rate);
        line.Write("U");
        line.Read(1);
        // The echo runs one character behind the request, so the last of the
        // 2,519 characters is due 2,520 character times after the first one left.
        const double nominal = 2520.0 * 10.0 / rate;
        std::vector<double> times;
        for (int i = 0; i < kRounds; ++i) {
            times.push_back(ReadBackSeconds(line));
        }
        std::sort(times.begin(), times.end());
        const double median = times[times.size() / 2];
        std::printf("%-8u %12.3f %12.3f %12.3f %12.3f %+10.3f\n", rate, nominal * 1e3, times.front() * 1e3,
                    median * 1e3, times.back() * 1e3, (median - nominal) / nominal * 100.0);
    }

    module.SetLineRateEmulation(false);
    veltra::testing::Line line(module.Path(), 115200);
    line.Write("U");
    line.Read(1);
    std::vector<double> times;
    for (int i = 0; i < 50; ++i) {
        times.push_back(ReadBackSeconds(line));
    }
    std::sort(times.begin(), times.end());
    std::printf("unpaced read-back of 1,024 bytes: median %.3f ms, worst %.3f ms\n", times[times.size() / 2] * 1e3,
                times.back() * 1e3);
    return 0;
}
