#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

#include "GoldenExchanges.h"
#include "Pty.h"
#include "VirtualModule.h"

namespace veltra::sim {
namespace {

using namespace std::chrono_literals;
namespace golden = veltra::testing::golden;
using veltra::testing::Line;

TEST(SimModule, AnswersTheGoldenExchangesOnItsTerminal)
{
    VirtualModule module;
    module.SetEeprom(golden::kEepromAddress, std::vector<std::uint8_t>{golden::kEepromValue});
    module.SetTestResult(golden::kFailingItem, golden::kFailCode);
    // The application firmware hears nothing at any rate but 9,600 bit/s,
    // 14,400 (which only termios2 can set) among them.
    auto line = std::make_unique<veltra::testing::Line>(module.Path(), 14400);
    line->Write(golden::Exchanges().front().request);
    ASSERT_TRUE(module.WaitForRequests(1, 5s));
    EXPECT_EQ(module.Requests()[0].rate, 14400u);
    EXPECT_FALSE(module.Requests()[0].answered);

    // The tool closes the line and opens it again at each new rate.
    line.reset();  // the port is held exclusively: closed before it is opened again
    line = std::make_unique<veltra::testing::Line>(module.Path(), 9600);
    std::size_t requests = 1;
    for (const golden::Exchange& exchange : golden::Exchanges()) {
        if (exchange.request == "U") {
            line.reset();
            line = std::make_unique<veltra::testing::Line>(module.Path(), 115200);
        }
        line->Write(exchange.request);
        ASSERT_EQ(line->Read(exchange.reply.size()), exchange.reply) << exchange.what;
        ASSERT_TRUE(module.WaitForRequests(++requests, 5s)) << exchange.what;
    }
}

TEST(SimModule, RepliesComeInPiecesAndNeverEarly)
{
    ModuleOptions options;
    options.start = Personality::BootLoader;
    options.faults.chunkMax = 16;
    options.faults.replyDelay = 80ms;
    VirtualModule module(options);
    veltra::testing::Line line(module.Path(), 115200);
    const auto started = std::chrono::steady_clock::now();
    line.Write("U");
    EXPECT_EQ(line.Read(1), "U");
    EXPECT_GE(std::chrono::steady_clock::now() - started, 80ms);
    line.Write(":05000004000003FF00F5");
    EXPECT_EQ(line.Read(2519).substr(21, 7), "\r\n0000=");
    EXPECT_GT(line.Chunks(), 2u);

    // At the line's own pace the 2,519 characters of a full read-back take 10
    // bits each; the echo runs alongside the request, one character behind it.
    module.SetFaults({});
    module.SetLineRateEmulation(true);
    // Timed from before the write: the module may take the request before
    // Write returns here, and keeps to the moment it did.
    const auto paced = std::chrono::steady_clock::now();
    line.Write(":05000004000003FF00F5");
    EXPECT_EQ(line.Read(2519).size(), 2519u);
    EXPECT_GE(std::chrono::steady_clock::now() - paced, std::chrono::microseconds((2519 + 1) * 10 * 1'000'000LL / 115200));
}

}  // namespace
}  // namespace veltra::sim
