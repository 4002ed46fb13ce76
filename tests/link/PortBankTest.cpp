#include "LinkTestSupport.h"

#include "ModuleFacts.h"
#include "PortBank.h"
#include "PosixSerial.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <tuple>
#include <vector>

using namespace veltra;
using veltra::testing::App;
using veltra::testing::Pty;
using veltra::testing::PumpUntil;

namespace {

// A bank of ports on pseudo-terminals, recording what reaches the engine and
// what the port list would show.
struct Bench : PortReceiver, PortStateListener {
    explicit Bench(int ports = 1)
    {
        App();
        for (int i = 0; i < ports; ++i) {
            ptys.push_back(std::make_unique<Pty>());
            bank.AddPort(ptys.back()->Path());
        }
        bank.SetReceiver(this);
        bank.SetListener(this);
    }

    void OnReceivedData(int port, const char* data, size_t count) override
    {
        received[port].append(data, count);
        ++chunks[port];
        if (onData)
            onData(port);
    }
    void OnPortTimedOut(int port, int eventCode, char lastCode) override
    {
        events.push_back({port, eventCode, lastCode});
    }
    void PortStateChanged(int port, PortState state, const std::string& reason) override
    {
        states[port] = state;
        reasons[port] = reason;
    }

    bool Send(int port, const std::string& bytes, char code = 'Q', uint32_t timeoutMs = 60000)
    {
        return bank.Send(port, CommandRecord::Make(code, bytes), timeoutMs);
    }

    struct Event {
        int port;
        int code;
        char lastCode;
    };
    std::vector<std::unique_ptr<Pty>> ptys;
    PortBank bank;
    std::map<int, std::string> received;
    std::map<int, int> chunks;
    std::vector<Event> events;
    std::map<int, PortState> states;
    std::map<int, std::string> reasons;
    std::function<void(int)> onData;
};

}  // namespace

// Only a terminal that nobody else holds is opened, raw 8N1 at any rate; a
// refusal says the system's reason and the port list shows it. Files that are
// no terminal, and a terminal another program holds, are refused through the
// sheet's port list.
TEST(PortBank, OpensOnlyAFreeTerminalAtAnyRate)
{
    Bench b(1);
    const std::tuple<int, uint32_t, const char*> refused[] = {
        {b.bank.AddPort("/dev/veltra-no-such-port"), 115200, "No such file or directory"},
        {0, 0, "Invalid argument"},
    };
    for (const auto& [port, rate, reason] : refused) {
        EXPECT_FALSE(b.bank.Open(port, rate)) << port;
        EXPECT_EQ(b.bank.OpenError(port), reason) << port;
        EXPECT_EQ(b.states[port], PortState::OpenFailed);
        EXPECT_EQ(b.reasons[port], reason);
        EXPECT_FALSE(b.Send(port, "x"));
    }

    for (const uint32_t rate : {9600u, 14400u, 56000u, 115200u, 921600u}) {
        ASSERT_TRUE(b.bank.Open(0, rate)) << rate;
        posix::LineSettings line;
        ASSERT_TRUE(posix::ReadLineSettings(b.ptys[0]->Master(), line));  // a master reports its slave's
        EXPECT_EQ(line.inputSpeed, rate);
        EXPECT_EQ(line.outputSpeed, rate);
        EXPECT_TRUE(line.dataBits == 8 && !line.parity && !line.twoStopBits && line.raw && line.receiverOn &&
                    line.ignoreModemLines && !line.hardwareFlow && !line.softwareFlowIn && !line.softwareFlowOut);
    }
    // Raw both ways: CR, LF, ^C, XON, XOFF, 0xFF and NUL pass unchanged.
    const std::string binary("\r\n\x03\x11\x13\xff\x00z", 8);
    b.Send(0, binary);
    EXPECT_EQ(b.ptys[0]->Read(binary.size()), binary);
    b.ptys[0]->Write(binary);
    EXPECT_TRUE(PumpUntil([&] { return b.received[0].size() >= binary.size(); }));
    EXPECT_EQ(b.received[0], binary);

    // Held by this program: busy, and the holder is not disturbed; once it
    // lets go the port opens again with the old refusal forgotten.
    const int again = b.bank.AddPort(b.ptys[0]->Path());
    EXPECT_FALSE(b.bank.Open(again, 9600));
    EXPECT_EQ(b.bank.OpenError(again), "Device or resource busy");
    EXPECT_TRUE(b.bank.IsOpen(0));
    b.bank.Close(0);
    EXPECT_EQ(b.states[0], PortState::Closed);
    EXPECT_TRUE(b.bank.Open(again, 9600));
    EXPECT_EQ(b.bank.OpenError(again), "");
}

// A run's ports: the selected ones opened at the run's rate, again when an
// earlier run left them at another; the others closed.
TEST(PortBank, SelectedPortsRunAtTheRateOfTheRun)
{
    Bench b(3);
    ASSERT_TRUE(b.bank.Open(0, 9600));
    ASSERT_TRUE(b.bank.Open(2, 115200));
    b.bank.SetSelected(0, true);
    b.bank.SetSelected(1, true);
    EXPECT_EQ(b.bank.SelectedCount(), 2);
    EXPECT_EQ(b.bank.OpenSelected(115200), 2);
    EXPECT_EQ(b.bank.BaudRate(0), 115200u);
    EXPECT_TRUE(b.bank.IsOpen(1));
    EXPECT_FALSE(b.bank.IsOpen(2));
    EXPECT_EQ(b.states[2], PortState::Closed);
    b.bank.CloseAs(0, PortState::InitialEraseDone);
    EXPECT_EQ(b.states[0], PortState::InitialEraseDone);
    EXPECT_FALSE(b.bank.IsOpen(0));
}

// A reply in time is not timed out, nor is a longer wait cut short by the
// time-out of the request before it, nor a shorter one held up by it; a
// silent peer gives one time-out, after which the port is closed before the
// engine hears of it; with a retry limit of two the request goes out three
// times before "Retry Over".
TEST(PortBank, RepliesTimeOutsAndRetries)
{
    Bench b(2);
    ASSERT_TRUE(b.bank.Open(0, 115200));
    const auto answer = [&](const std::string& request, uint32_t timeoutMs, const std::string& reply,
                            std::chrono::milliseconds after) {
        ASSERT_TRUE(b.Send(0, request, 'P', timeoutMs));
        EXPECT_EQ(b.ptys[0]->Read(request.size()), request);
        veltra::testing::PumpFor(after);
        b.ptys[0]->Write(reply);
        ASSERT_TRUE(PumpUntil([&] { return b.received[0].ends_with(reply); }));
        b.bank.ReplyArrived(0);
        EXPECT_FALSE(b.bank.AwaitingReply(0));
    };
    answer("ping", 100, "pong", std::chrono::milliseconds(0));
    answer("slow", 60000, "done", std::chrono::milliseconds(300));
    EXPECT_TRUE(b.events.empty());

    ASSERT_TRUE(b.Send(0, "lost", 'J', 50));  // much sooner than the wait before
    ASSERT_TRUE(PumpUntil([&] { return !b.events.empty(); }));
    EXPECT_FALSE(PumpUntil([&] { return b.events.size() > 1; }, std::chrono::milliseconds(200)));
    ASSERT_EQ(b.events.size(), 1u);
    EXPECT_EQ(std::tuple(b.events[0].port, b.events[0].code, b.events[0].lastCode), std::tuple(0, kEventTimeOut, 'J'));
    EXPECT_FALSE(b.bank.IsOpen(0));
    EXPECT_EQ(b.states[0], PortState::Closed);

    b.bank.SetRetryLimit(2);
    ASSERT_TRUE(b.bank.Open(1, 115200));
    ASSERT_TRUE(b.Send(1, "R", 'H', 30));
    ASSERT_TRUE(PumpUntil([&] { return b.events.size() == 2; }));
    EXPECT_EQ(b.events[1].code, kEventRetryOver);
    EXPECT_EQ(b.ptys[1]->ReadAvailable(), "RRR");
    // A wrong reply may take a retry the same way.
    ASSERT_TRUE(b.bank.Open(1, 115200));
    b.Send(1, "W", 'Q', 60000);
    EXPECT_TRUE(b.bank.RetryRequest(1));
    EXPECT_TRUE(b.bank.RetryRequest(1));
    EXPECT_FALSE(b.bank.RetryRequest(1));
    EXPECT_EQ(b.ptys[1]->Read(3), "WWW");
}

// An unplugged adapter is reported at once, whether a reply was awaited or
// the next request finds the line gone, and the port does not spin.
TEST(PortBank, ALostLineIsReportedAtOnce)
{
    Bench b(2);
    for (int port = 0; port < 2; ++port)
        ASSERT_TRUE(b.bank.Open(port, 115200));
    b.Send(0, "?", '?', 60000);
    b.ptys[0]->CloseMaster();
    ASSERT_TRUE(PumpUntil([&] { return b.events.size() == 1; }, std::chrono::seconds(2)));
    EXPECT_EQ(b.events[0].code, kEventTimeOut);

    b.ptys[1]->CloseMaster();
    veltra::testing::PumpFor(std::chrono::milliseconds(50));
    EXPECT_EQ(b.events.size(), 1u);  // nothing awaited, nothing to report yet
    b.Send(1, "?", '?', 60000);
    ASSERT_TRUE(PumpUntil([&] { return b.events.size() == 2; }, std::chrono::seconds(2)));
    EXPECT_EQ(b.events[1].port, 1);
}

// Every port's bytes arrive whole and in order, one chunk at a time across
// all ports: a handler that runs a nested event loop holds the others back
// until it returns. A handler may close its own port; what was still queued
// for it is dropped.
TEST(PortBank, ChunksComeOneAtATimeInOrderAndAHandlerMayClose)
{
    constexpr int kPorts = 8;
    Bench b(kPorts);
    for (int port = 0; port < kPorts; ++port)
        ASSERT_TRUE(b.bank.Open(port, 115200));
    std::map<int, std::string> sent;
    for (int port = 0; port < kPorts; ++port) {
        for (int k = 0; k < 3000; ++k)
            sent[port] += static_cast<char>('A' + (k * 7 + port) % 26);
    }
    int depth = 0;
    int deepest = 0;
    b.onData = [&](int port) {
        ++depth;
        deepest = std::max(deepest, depth);
        if (port == 3 && b.chunks[3] == 1)
            veltra::testing::PumpFor(std::chrono::milliseconds(30));  // a message box, say
        --depth;
    };
    for (int port = 0; port < kPorts; ++port)
        b.ptys[static_cast<size_t>(port)]->Write(sent[port]);
    ASSERT_TRUE(PumpUntil([&] {
        return std::ranges::all_of(sent, [&](const auto& s) { return b.received[s.first].size() >= s.second.size(); });
    }));
    EXPECT_EQ(b.received, sent);
    EXPECT_EQ(deepest, 1);

    b.onData = [&](int port) { b.bank.Close(port); };
    b.received.clear();
    b.ptys[0]->Write("first");
    ASSERT_TRUE(PumpUntil([&] { return !b.received[0].empty(); }));
    b.ptys[0]->Write("after");
    veltra::testing::PumpFor(std::chrono::milliseconds(30));
    EXPECT_EQ(b.received[0], "first");
    EXPECT_FALSE(b.bank.IsOpen(0));
}

// A long reply of known length is read in two goes, not piece by piece: once
// part of it is in, the port is left alone until shortly before the rest can
// have come at the line's rate. A line seen to keep to its rate is then not
// looked at after a request until shortly before the whole reply can be
// there, and a reply found whole by then shows a faster line, watched from
// the start again. No pause holds up the time-out of a reply that stops short.
TEST(PortBank, ALongReplyIsReadWholeAfterAPauseAndStillTimesOut)
{
    Bench b(1);
    ASSERT_TRUE(b.bank.Open(0, 9600));  // a character a millisecond: 500 take about half a second
    const std::string reply(500, 'R');
    const auto chunksOfReply = [&] {
        b.received.clear();
        b.chunks.clear();
        EXPECT_TRUE(b.bank.Send(0, CommandRecord::Make(code::kReadBack, ":05", 500), 60000));
        b.ptys[0]->Write(reply.substr(0, 100));
        veltra::testing::PumpFor(std::chrono::milliseconds(5));
        b.ptys[0]->Write(reply.substr(100));
        EXPECT_TRUE(PumpUntil([&] { return b.received[0].size() == 500; }));
        EXPECT_EQ(b.received[0], reply);
        b.bank.ReplyArrived(0);
        return b.chunks[0];
    };
    // Unknown line: read as it comes, then paused; paused at the request, and
    // found whole; watched from the start again.
    EXPECT_EQ((std::vector<int>{chunksOfReply(), chunksOfReply(), chunksOfReply()}), (std::vector<int>{2, 1, 2}));

    b.received.clear();
    ASSERT_TRUE(b.bank.Send(0, CommandRecord::Make(code::kReadBack, ":05", 500), 700));
    b.ptys[0]->Write(reply.substr(0, 100));
    ASSERT_TRUE(PumpUntil([&] { return b.events.size() == 1; }, std::chrono::seconds(3)));
    EXPECT_EQ(b.events[0].code, kEventTimeOut);
    EXPECT_EQ(b.received[0], reply.substr(0, 100));
}

// A handler may run a nested event loop (a message box) when a pause ends,
// while the pauses of other ports end: every reply still comes whole and in
// order once it returns.
TEST(PortBank, PausesEndDuringAHandlersNestedLoop)
{
    constexpr int kPorts = 4;
    Bench b(kPorts);
    const std::string reply(500, 'R');
    int nestedLoops = 0;
    b.onData = [&](int port) {
        if (port == 0 && b.chunks[0] == 2) {
            ++nestedLoops;
            veltra::testing::PumpFor(std::chrono::milliseconds(400));
        }
    };
    for (int port = 0; port < kPorts; ++port) {
        ASSERT_TRUE(b.bank.Open(port, 9600));
        ASSERT_TRUE(b.bank.Send(port, CommandRecord::Make(code::kReadBack, ":05", 500), 60000));
    }
    // Each port's first part 50 ms after the one before, so that the pauses
    // for the rest end one after another, the later ones in the nested loop.
    for (int port = 0; port < kPorts; ++port) {
        b.ptys[static_cast<size_t>(port)]->Write(reply.substr(0, 100));
        ASSERT_TRUE(PumpUntil([&] { return b.chunks[port] == 1; }));
        b.ptys[static_cast<size_t>(port)]->Write(reply.substr(100));
        veltra::testing::PumpFor(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(PumpUntil([&] {
        return std::ranges::all_of(b.received, [&](const auto& r) { return r.second.size() == reply.size(); }) &&
               b.received.size() == kPorts;
    }));
    EXPECT_EQ(nestedLoops, 1);
    for (int port = 0; port < kPorts; ++port) {
        EXPECT_EQ(b.received[port], reply) << port;
        EXPECT_EQ(b.chunks[port], 2) << port;
    }
}

// A line found still delivering a reply shortly before it could be whole keeps
// its rate: from then on a reply is awaited until it can be whole and read in
// one go, and one that is whole by then does not turn the line back into an
// unknown one, which would be read as it comes.
TEST(PortBank, ALineThatKeepsItsRateIsReadOncePerReply)
{
    Bench b(1);
    ASSERT_TRUE(b.bank.Open(0, 9600));  // 500 characters take about half a second
    const std::string reply(500, 'R');
    // The first 100 characters at once, the rest after `gap`: with a gap
    // longer than the reply's time, the line is slower than its rate.
    const auto chunksOfReply = [&](std::chrono::milliseconds gap) {
        b.received.clear();
        b.chunks.clear();
        EXPECT_TRUE(b.bank.Send(0, CommandRecord::Make(code::kReadBack, ":05", 500), 60000));
        b.ptys[0]->Write(reply.substr(0, 100));
        veltra::testing::PumpFor(gap);
        b.ptys[0]->Write(reply.substr(100));
        EXPECT_TRUE(PumpUntil([&] { return b.received[0].size() == 500; }, std::chrono::seconds(5)));
        EXPECT_EQ(b.received[0], reply);
        b.bank.ReplyArrived(0);
        return b.chunks[0];
    };
    using std::chrono::milliseconds;
    // Unknown, read as it comes; paused at the request and found still coming;
    // then awaited whole, twice.
    EXPECT_EQ((std::vector<int>{chunksOfReply(milliseconds(5)), chunksOfReply(milliseconds(800)),
                                chunksOfReply(milliseconds(5)), chunksOfReply(milliseconds(5))}),
              (std::vector<int>{2, 2, 1, 1}));
}
