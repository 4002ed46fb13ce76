#include "LinkTestSupport.h"
#include "PortDiscovery.h"
#include "PosixSerial.h"
#include "ReceiveHandover.h"
#include "SerialChannel.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstring>
#include <thread>

using namespace std::chrono_literals;
using veltra::ChannelPacket;
using veltra::ChannelSettings;
using veltra::ReceiveHandover;
using veltra::SerialChannel;
using veltra::testing::App;
using veltra::testing::PumpFor;
using veltra::testing::PumpUntil;
using veltra::testing::Pty;
using veltra::testing::ThreadCount;

namespace {

constexpr int16_t kPort = 3;

// One channel on one pseudo-terminal, with the owner's handlers recording what
// reaches them. Members are destroyed in reverse: channel, peer, hand-over.
struct Harness {
    explicit Harness(uint16_t timeoutMs = 60000, uint16_t retryLimit = 0, uint32_t baudRate = 115200,
                     ReceiveHandover* shared = nullptr)
    {
        App();
        ChannelSettings settings;
        settings.portIndex = kPort;
        settings.portName = veltra::PortNameFromPath(pty.Path());
        settings.baudRate = baudRate;
        settings.timeoutMs = timeoutMs;
        settings.retryLimit = retryLimit;
        settings.eventCallback = [this](const ChannelPacket& packet) {
            EXPECT_TRUE(packet.IsEvent());
            EXPECT_EQ(packet.port, kPort);
            EXPECT_STREQ(packet.portName, channel.DevicePath().c_str());
            events.push_back(packet.Event().eventCode);
            if (onEvent) {
                onEvent(packet.Event().eventCode);
            }
        };
        channel.Configure(settings);
        channel.SetNotifyWindow(shared != nullptr ? shared : &handover);
        channel.SetDataHandler([this](int16_t port, const uint8_t* buffer, int count) {
            EXPECT_EQ(port, kPort);
            EXPECT_EQ(buffer, channel.ReceiveBuffer());
            EXPECT_GT(count, 0);
            EXPECT_LE(count, SerialChannel::kBufferSize);
            received.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(count));
            ++chunks;
            if (onData) {
                onData(buffer, count);
            }
        });
    }

    int Count(int16_t code) const { return static_cast<int>(std::count(events.begin(), events.end(), code)); }

    int Send(const std::string& bytes, uint8_t code)
    {
        ChannelPacket packet;
        packet.port = kPort;
        packet.code = code;
        packet.command = code;
        packet.length = static_cast<uint16_t>(bytes.size());
        packet.data = reinterpret_cast<const uint8_t*>(bytes.data());
        return channel.SendData(packet);
    }

    ReceiveHandover handover;
    Pty pty;
    SerialChannel channel;
    std::string received;
    int chunks = 0;
    std::vector<int16_t> events;
    std::function<void(int16_t)> onEvent;
    std::function<void(const uint8_t*, int)> onData;
};

// Writes to the master side until stopped: a module that never stops talking.
class Streamer {
public:
    explicit Streamer(const Pty& pty)
        : thread_([this, &pty] {
              const std::string block(1024, 'x');
              while (!stop_) {
                  pty.Write(block.data(), block.size(), &stop_);
              }
          })
    {
    }
    ~Streamer()
    {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

template <typename F>
std::chrono::milliseconds TimeOf(F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

}  // namespace

TEST(SerialChannel, OpenStartsItsThreadsAndCloseEndsThem)
{
    App();
    const int base = ThreadCount();
    {
        Harness h;
        ASSERT_TRUE(h.channel.Open()) << h.channel.LastOpenError();
        EXPECT_TRUE(h.channel.IsOpen());
        EXPECT_TRUE(h.channel.ReaderRunning());
        EXPECT_TRUE(h.channel.WatcherRunning());
        EXPECT_EQ(ThreadCount(), base + 2);
        EXPECT_EQ(h.Count(veltra::kEventOnConnect), 1);
        EXPECT_TRUE(h.channel.LastOpenError().empty());

        h.channel.Close();
        EXPECT_FALSE(h.channel.IsOpen());
        EXPECT_EQ(ThreadCount(), base);
        h.channel.Close();  // a closed channel: nothing to do
        EXPECT_EQ(ThreadCount(), base);

        // Opening an open channel closes it first; the destructor closes too.
        ASSERT_TRUE(h.channel.Open());
        ASSERT_TRUE(h.channel.Open());
        EXPECT_EQ(ThreadCount(), base + 2);
    }
    EXPECT_EQ(ThreadCount(), base);

    // Without a time-out there is nothing to watch, until one is set.
    Harness h(0);
    ASSERT_TRUE(h.channel.Open());
    EXPECT_FALSE(h.channel.WatcherRunning());
    EXPECT_EQ(ThreadCount(), base + 1);
    h.channel.SetTimeout(100);
    EXPECT_EQ(h.channel.GetTimeout(), 100);
    EXPECT_EQ(ThreadCount(), base + 2);
    h.channel.Close();
    EXPECT_EQ(ThreadCount(), base);
}

TEST(SerialChannel, FailedOpenGivesTheSystemsReasonAndStartsNothing)
{
    App();
    const int base = ThreadCount();
    veltra::testing::TempDir dir;
    const std::string plainFile = dir.Write("not-a-tty", "x");
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Nothing but a terminal is taken for a port: the others would accept no
    // line settings and swallow whatever was sent.
    const struct {
        std::string name;
        uint32_t rate;
        const char* reason;
    } cases[] = {
        {"/dev/veltra-no-such-port", 115200, "No such file or directory"},
        {plainFile, 115200, "Inappropriate ioctl for device"},
        {dir.Path().string(), 115200, "Is a directory"},
        {"/dev/null", 115200, "Inappropriate ioctl for device"},
        {fifo, 115200, "Inappropriate ioctl for device"},
    };
    for (const auto& c : cases) {
        SerialChannel channel;
        ChannelSettings settings;
        settings.portName = c.name;
        settings.baudRate = c.rate;
        ASSERT_TRUE(channel.Configure(settings));
        EXPECT_EQ(channel.DevicePath(), c.name);
        EXPECT_FALSE(channel.Open());
        EXPECT_EQ(channel.LastOpenError(), c.reason) << c.name;
        EXPECT_FALSE(channel.IsOpen());
        EXPECT_EQ(ThreadCount(), base);
    }
    EXPECT_EQ(veltra::testing::TempDir::Read(plainFile), "x");

    Harness h(60000, 0, 0);  // rate 0 is refused
    EXPECT_FALSE(h.channel.Open());
    EXPECT_EQ(h.channel.LastOpenError(), "Invalid argument");
    EXPECT_TRUE(h.events.empty());
    EXPECT_EQ(ThreadCount(), base);

    SerialChannel unnamed;
    EXPECT_FALSE(unnamed.Configure(ChannelSettings{}));
    EXPECT_FALSE(unnamed.Open());
    EXPECT_EQ(h.Send("x", 'x'), 0);  // sending on a closed channel does nothing
    EXPECT_FALSE(h.channel.AwaitingReply());
}

TEST(SerialChannel, PortIsHeldExclusively)
{
    Harness h;
    ASSERT_TRUE(h.channel.Open());

    // A second channel of this program.
    SerialChannel second;
    ChannelSettings settings;
    settings.portName = h.channel.PortName();
    second.Configure(settings);
    EXPECT_FALSE(second.Open());
    EXPECT_EQ(second.LastOpenError(), "Device or resource busy");
    EXPECT_FALSE(second.IsOpen());

    // The first one is not disturbed.
    h.Send("ping", 'p');
    EXPECT_EQ(h.pty.Read(4), "ping");
    h.channel.Close();
    EXPECT_TRUE(second.Open()) << second.LastOpenError();
    second.Close();

    // Another program holding the port.
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const std::string path = h.pty.Path();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
        char byte = (fd >= 0 && ::flock(fd, LOCK_EX) == 0) ? '1' : '0';
        [[maybe_unused]] ssize_t n = ::write(ready[1], &byte, 1);
        n = ::read(release[0], &byte, 1);
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, '1');
    EXPECT_FALSE(h.channel.Open());
    EXPECT_EQ(h.channel.LastOpenError(), "Device or resource busy");
    ASSERT_EQ(::write(release[1], &byte, 1), 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]}) {
        ::close(fd);
    }
    EXPECT_TRUE(h.channel.Open()) << h.channel.LastOpenError();
}

TEST(SerialChannel, LineIsRaw8N1WithoutFlowControlAtAnyRate)
{
    Harness h;
    for (const uint32_t rate : {9600u, 14400u, 56000u, 57600u, 115200u}) {
        h.channel.SetBaudRate(rate);
        ASSERT_TRUE(h.channel.Open()) << rate;
        // A pty master reports the slave's settings.
        veltra::posix::LineSettings line;
        ASSERT_TRUE(veltra::posix::ReadLineSettings(h.pty.Master(), line));
        EXPECT_EQ(line.inputSpeed, rate);
        EXPECT_EQ(line.outputSpeed, rate);
        EXPECT_EQ(line.dataBits, 8);
        EXPECT_FALSE(line.parity);
        EXPECT_FALSE(line.twoStopBits);
        EXPECT_FALSE(line.hardwareFlow);
        EXPECT_FALSE(line.softwareFlowOut);
        EXPECT_FALSE(line.softwareFlowIn);
        EXPECT_TRUE(line.raw);
        EXPECT_TRUE(line.receiverOn);
        EXPECT_TRUE(line.ignoreModemLines);
        h.channel.Close();
    }
    // Raw both ways: CR, LF, ^C, XON/XOFF and 0xFF pass unchanged.
    ASSERT_TRUE(h.channel.Open());
    const std::string binary("\r\n\x03\x11\x13\xff\x00z", 8);
    h.Send(binary, 'b');
    EXPECT_EQ(h.pty.Read(binary.size()), binary);
    ASSERT_TRUE(h.pty.Write(binary));
    EXPECT_TRUE(PumpUntil([&] { return h.received.size() >= binary.size(); }));
    EXPECT_EQ(h.received, binary);
}

TEST(SerialChannel, WhatWasSentBeforeCloseStillArrives)
{
    Harness h;
    ASSERT_TRUE(h.channel.Open());
    const std::string request(3000, 'G');  // more than the peer reads at once
    EXPECT_EQ(h.Send(request, 'G'), 1);
    h.channel.Close();
    EXPECT_EQ(h.pty.Read(request.size()), request);

    // A request longer than the channel keeps for resends is cut and reported.
    ASSERT_TRUE(h.channel.Open());
    const std::string tooLong(SerialChannel::kBufferSize + 1, 'L');
    EXPECT_EQ(h.Send(tooLong, 'L'), 0);
    EXPECT_EQ(h.channel.LastLength(), SerialChannel::kBufferSize);
    EXPECT_EQ(h.pty.Read(tooLong.size(), 500ms).size(), static_cast<size_t>(SerialChannel::kBufferSize));
}

TEST(SerialChannel, AnsweredRequestReachesTheOwnerAndIsNotTimedOut)
{
    Harness h(300);
    ASSERT_TRUE(h.channel.Open());
    h.onData = [&](const uint8_t* buffer, int count) {
        // What the dispatcher builds from the channel.
        const ChannelPacket packet = h.channel.ReceivedPacket(count);
        EXPECT_EQ(packet.port, kPort);
        EXPECT_EQ(packet.received, 1);
        EXPECT_EQ(packet.code, 'R');
        EXPECT_EQ(packet.command, 'R');
        EXPECT_EQ(packet.length, count);
        EXPECT_EQ(packet.data, buffer);
        EXPECT_EQ(buffer[count], 0);  // zero-filled past the chunk
        if (h.received.size() >= 5) {
            h.channel.ReplyComplete();
        }
    };
    EXPECT_EQ(h.Send("R\x01\x02", 'R'), 1);
    EXPECT_EQ(h.Count(veltra::kEventSendData), 1);
    EXPECT_TRUE(h.channel.AwaitingReply());
    EXPECT_EQ(h.channel.LastCode(), 'R');
    EXPECT_EQ(h.channel.LastCommand(), 'R');
    EXPECT_EQ(h.channel.LastLength(), 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(h.channel.LastRequest()), 3), "R\x01\x02");
    EXPECT_EQ(h.pty.Read(3), "R\x01\x02");
    ASSERT_TRUE(h.pty.Write("REPLY"));
    ASSERT_TRUE(PumpUntil([&] { return h.received == "REPLY"; }));
    EXPECT_FALSE(h.channel.AwaitingReply());
    PumpFor(900ms);  // three time-outs' worth
    EXPECT_EQ(h.Count(veltra::kEventTimeOut), 0);
    EXPECT_EQ(h.Count(veltra::kEventRetryOver), 0);
    EXPECT_EQ(h.pty.ReadAvailable(), "");  // and nothing was resent
}

TEST(SerialChannel, SilentPeerGivesOneTimeOut)
{
    Harness h(100);
    ASSERT_TRUE(h.channel.Open());
    h.Send("Q", 'Q');
    ASSERT_TRUE(PumpUntil([&] { return h.Count(veltra::kEventTimeOut) > 0; }));
    PumpFor(300ms);
    EXPECT_EQ(h.Count(veltra::kEventTimeOut), 1);
    EXPECT_EQ(h.Count(veltra::kEventRetryOver), 0);
    EXPECT_EQ(h.channel.EventCode(), veltra::kEventTimeOut);
    EXPECT_STREQ(h.channel.EventText(), "Time out!");
    EXPECT_TRUE(h.channel.AwaitingReply());  // left for the event handler
    EXPECT_EQ(h.pty.ReadAvailable(), "Q");

    // The next request is timed afresh.
    h.Send("Q2", 'Q');
    ASSERT_TRUE(PumpUntil([&] { return h.Count(veltra::kEventTimeOut) == 2; }));
}

TEST(SerialChannel, RetryLimitTwoSendsThreeTimesThenRetryOver)
{
    Harness h(100, 2);
    ASSERT_TRUE(h.channel.Open());
    h.Send("ABC", 'A');
    ASSERT_TRUE(PumpUntil([&] { return h.Count(veltra::kEventRetryOver) > 0; }));
    PumpFor(300ms);
    EXPECT_EQ(h.Count(veltra::kEventRetryOver), 1);
    EXPECT_EQ(h.Count(veltra::kEventTimeOut), 0);
    EXPECT_EQ(h.channel.RetryCount(), 3);
    EXPECT_STREQ(h.channel.EventText(), "Retry Over");
    EXPECT_EQ(h.pty.ReadAvailable(), "ABCABCABC");
}

TEST(SerialChannel, EventHandlerMayCloseTheChannel)
{
    App();
    const int base = ThreadCount();
    Harness h(50);
    h.onEvent = [&](int16_t code) {
        if (code == veltra::kEventTimeOut) {
            h.channel.Close();
        }
    };
    ASSERT_TRUE(h.channel.Open());
    h.Send("G", 'G');
    ASSERT_TRUE(PumpUntil([&] { return !h.channel.IsOpen(); }));
    EXPECT_EQ(ThreadCount(), base);
    EXPECT_EQ(h.Count(veltra::kEventTimeOut), 1);
}

TEST(SerialChannel, MutedOrClosedChannelDeliversNoEvent)
{
    Harness muted(50);
    muted.channel.SetEventsMuted(true);
    ASSERT_TRUE(muted.channel.Open());
    muted.Send("M", 'M');
    PumpFor(300ms);
    EXPECT_TRUE(muted.events.empty());

    // An event raised just before Close is not delivered after it.
    Harness h(50);
    ASSERT_TRUE(h.channel.Open());
    h.Send("C", 'C');
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (h.channel.EventCode() != veltra::kEventTimeOut && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();  // not pumping: the event stays queued
    }
    ASSERT_EQ(h.channel.EventCode(), veltra::kEventTimeOut);
    h.channel.Close();
    PumpFor(100ms);
    EXPECT_EQ(h.Count(veltra::kEventTimeOut), 0);
}

TEST(SerialChannel, HungUpLineIsReportedAtOnceWithoutSpinning)
{
    App();
    const int base = ThreadCount();
    Harness h;  // a minute's time-out: only the hang-up can make it quick
    ASSERT_TRUE(h.channel.Open());
    h.Send("P", 'P');
    EXPECT_EQ(h.pty.Read(1), "P");
    h.pty.CloseMaster();
    ASSERT_TRUE(PumpUntil([&] { return h.Count(veltra::kEventTimeOut) == 1; }, 5s));

    // Nothing spins on the dead line meanwhile.
    const auto cpu = [] {
        timespec t{};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
    };
    const auto before = cpu();
    std::this_thread::sleep_for(500ms);  // a measuring window, not a synchronisation
    EXPECT_LT(cpu() - before, 250ms);

    // A request on the dead line fails and is reported at once too.
    EXPECT_EQ(h.Send("P", 'P'), 0);
    ASSERT_TRUE(PumpUntil([&] { return h.Count(veltra::kEventTimeOut) == 2; }, 5s));
    h.channel.Close();
    EXPECT_EQ(ThreadCount(), base);
}

TEST(SerialChannel, CloseWhileStreamingAndOwnerBusyReturns)
{
    App();
    const int base = ThreadCount();
    Harness h;
    h.onData = [](const uint8_t*, int) { std::this_thread::sleep_for(2ms); };  // a busy owner
    ASSERT_TRUE(h.channel.Open());
    Streamer streamer(h.pty);
    ASSERT_TRUE(PumpUntil([&] { return h.received.size() > 64 * 1024; }));
    // Not pumping: the reader is waiting for the owner to take its next chunk.
    const auto took = TimeOf([&] { h.channel.Close(); });
    EXPECT_LT(took, 1s);
    EXPECT_EQ(ThreadCount(), base + 1);  // the streamer is ours
    const size_t had = h.received.size();
    PumpFor(50ms);
    EXPECT_EQ(h.received.size(), had);  // the withdrawn chunk is not delivered late
}

TEST(SerialChannel, CloseFromInsideTheDataHandlerAndANestedLoop)
{
    App();
    const int base = ThreadCount();
    Harness h;
    ASSERT_TRUE(h.channel.Open());
    Streamer streamer(h.pty);

    h.onData = [&](const uint8_t*, int) {
        if (h.chunks == 3) {
            h.channel.Close();
        }
    };
    ASSERT_TRUE(PumpUntil([&] { return !h.channel.IsOpen(); }));
    EXPECT_EQ(ThreadCount(), base + 1);

    // The owner in a modal loop inside its handler closes from there.
    h.chunks = 0;
    ASSERT_TRUE(h.channel.Open());
    h.onData = [&](const uint8_t*, int) {
        if (h.chunks != 2) {
            return;
        }
        QEventLoop modal;
        QTimer::singleShot(20, &modal, [&] {
            h.channel.Close();
            modal.quit();
        });
        modal.exec();
    };
    ASSERT_TRUE(PumpUntil([&] { return !h.channel.IsOpen(); }));
    EXPECT_EQ(ThreadCount(), base + 1);
}

TEST(SerialChannel, OneChunkAtATimeEvenInsideANestedLoop)
{
    App();
    ReceiveHandover shared;  // the module-wide one, outliving both channels
    Harness a(60000, 0, 115200, &shared);
    Harness b(50, 0, 115200, &shared);
    ASSERT_TRUE(a.channel.Open());
    ASSERT_TRUE(b.channel.Open());

    bool insideA = false;
    bool eventInsideA = false;
    std::string bDuringA;
    QEventLoop* modal = nullptr;
    b.onData = [&](const uint8_t* buffer, int count) {
        if (insideA) {
            bDuringA.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(count));
        }
    };
    b.onEvent = [&](int16_t code) {
        if (code == veltra::kEventTimeOut && modal != nullptr) {
            eventInsideA = insideA;
            modal->quit();
        }
    };
    a.onData = [&](const uint8_t*, int) {
        if (a.chunks != 1) {
            return;
        }
        // A handler that runs a modal loop: B's bytes arrive and B times out
        // meanwhile. The event gets through; B's chunk waits for this handler.
        insideA = true;
        ASSERT_TRUE(b.pty.Write("late"));
        b.Send("?", '?');
        QEventLoop loop;
        modal = &loop;
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);  // a guard only
        loop.exec();
        modal = nullptr;
        insideA = false;
    };
    ASSERT_TRUE(a.pty.Write("first"));
    ASSERT_TRUE(PumpUntil([&] { return b.received == "late" && b.Count(veltra::kEventTimeOut) == 1; }));
    EXPECT_TRUE(eventInsideA);
    EXPECT_EQ(bDuringA, "");
    EXPECT_EQ(a.received, "first");
}

TEST(SerialChannel, ManyChannelsDeliverTheirOwnBytesInOrder)
{
    constexpr int kPorts = 8;
    constexpr size_t kBytes = 1 << 20;
    App();
    ReceiveHandover handover;
    std::vector<std::unique_ptr<Pty>> ptys;
    std::vector<std::unique_ptr<SerialChannel>> channels;
    std::vector<std::string> expected(kPorts);
    std::vector<std::string> received(kPorts);
    int maxChunk = 0;
    int inHandler = 0;
    for (int i = 0; i < kPorts; ++i) {
        ptys.push_back(std::make_unique<Pty>());
        // A pattern that does not repeat every 256 bytes and differs per port.
        expected[i].resize(kBytes);
        uint32_t x = 0x9E3779B9u * static_cast<uint32_t>(i + 1);
        for (char& c : expected[i]) {
            x = x * 1664525u + 1013904223u;
            c = static_cast<char>(x >> 24);
        }
        auto channel = std::make_unique<SerialChannel>();
        ChannelSettings settings;
        settings.portIndex = static_cast<int16_t>(i);
        settings.portName = ptys.back()->Path();
        channel->Configure(settings);
        channel->SetNotifyWindow(&handover);
        channel->SetDataHandler([&](int16_t port, const uint8_t* buffer, int count) {
            EXPECT_EQ(++inHandler, 1);  // one chunk at a time across all ports
            maxChunk = std::max(maxChunk, count);
            received.at(static_cast<size_t>(port)).append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(count));
            --inHandler;
        });
        ASSERT_TRUE(channel->Open()) << channel->LastOpenError();
        channels.push_back(std::move(channel));
    }
    std::vector<std::thread> peers;
    for (int i = 0; i < kPorts; ++i) {
        peers.emplace_back([&, i] { ptys[i]->Write(expected[i].data(), kBytes); });
    }
    const bool all = PumpUntil(
        [&] {
            return std::all_of(received.begin(), received.end(), [&](const std::string& r) { return r.size() >= kBytes; });
        },
        100s);
    for (auto& peer : peers) {
        peer.join();
    }
    ASSERT_TRUE(all);
    PumpFor(20ms);
    for (int i = 0; i < kPorts; ++i) {
        EXPECT_EQ(received[i].size(), kBytes) << i;
        EXPECT_TRUE(received[i] == expected[i]) << "port " << i << " differs";
    }
    EXPECT_LE(maxChunk, SerialChannel::kBufferSize);
    for (auto& channel : channels) {
        channel->Close();
    }
}
