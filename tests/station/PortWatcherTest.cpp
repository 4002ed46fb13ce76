#include "FakeMachine.h"
#include "LinkTestSupport.h"
#include "PortWatcher.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <memory>

using namespace std::chrono_literals;
using veltra::PortWatcher;
using veltra::SlotTable;
using veltra::testing::FakeMachine;
using veltra::testing::PumpFor;
using veltra::testing::PumpUntil;
using veltra::testing::Pty;
using veltra::testing::TempDir;
using Rows = std::vector<int>;

namespace {

// Device notices through a pipe, as udev's would arrive through its socket.
class PipeEvents : public veltra::DeviceEvents {
public:
    PipeEvents()
    {
        if (::pipe2(fds_, O_NONBLOCK | O_CLOEXEC) != 0)
            throw std::runtime_error("pipe2 failed");
    }
    ~PipeEvents() override
    {
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    int Descriptor() const override { return fds_[0]; }
    void Drain() override
    {
        char buffer[64];
        while (::read(fds_[0], buffer, sizeof buffer) > 0) {
        }
    }
    void Notice() const { ASSERT_EQ(::write(fds_[1], "n", 1), 1); }

private:
    int fds_[2] = {-1, -1};
};

// What the watcher reported.
struct Reports {
    int count = 0;
    SlotTable::Change last;
    PortWatcher::Listener Listener()
    {
        return [this](const std::vector<veltra::DiscoveredPort>&, const SlotTable::Change& change) {
            ++count;
            last = change;
        };
    }
};

bool Shows(const SlotTable& table, const std::string& key, bool present)
{
    for (const veltra::SlotRow& row : table.Rows()) {
        if (row.key == key)
            return row.present == present;
    }
    return false;
}

}  // namespace

TEST(PortWatcher, AdaptersComeGoAndComeBackToTheirRow)
{
    veltra::testing::App();
    FakeMachine machine;
    machine.AddUart("ttyS0");
    machine.Plug("ttyUSB0", "2");
    SlotTable table({{FakeMachine::ByPath("2"), "Nest 2"}, {FakeMachine::ByPath("1"), "Nest 1"}});
    auto source = std::make_unique<PipeEvents>();
    const PipeEvents& events = *source;
    Reports reports;
    PortWatcher watcher({machine.Sys(), machine.Dev(), {}}, reports.Listener(), &table, {std::move(source), {}});
    EXPECT_TRUE(watcher.Warning().empty());
    ASSERT_EQ(table.Rows().size(), 3U);
    EXPECT_EQ(table.Label(0), "Nest 2 (ttyUSB0)");
    EXPECT_EQ(table.Label(1), "Nest 1");
    EXPECT_EQ(table.Label(2), "ttyS0");
    table.SetTicked(0, true);

    // An adapter announces itself several times; it is one change.
    machine.Plug("ttyUSB1", "1");
    for (int i = 0; i < 4; ++i)
        events.Notice();
    ASSERT_TRUE(PumpUntil([&] { return reports.count == 1; }));
    PumpFor(100ms);
    EXPECT_EQ(reports.count, 1);
    EXPECT_EQ(reports.last.replugged, (Rows{1}));

    machine.Unplug("ttyUSB0", "2");
    events.Notice();
    ASSERT_TRUE(PumpUntil([&] { return reports.count == 2; }));
    EXPECT_EQ(reports.last.unplugged, (Rows{0}));

    machine.Plug("ttyUSB2", "2");
    events.Notice();
    ASSERT_TRUE(PumpUntil([&] { return reports.count == 3; }));
    EXPECT_EQ(reports.last.replugged, (Rows{0}));
    EXPECT_EQ(table.Label(0), "Nest 2 (ttyUSB2)");
    EXPECT_TRUE(table.Rows()[0].ticked);
    EXPECT_EQ(watcher.Ports().size(), 3U);
    EXPECT_EQ(table.Rows().size(), 3U);
}

TEST(PortWatcher, ExtraLinksAreFollowedWithOrWithoutUdev)
{
    veltra::testing::App();
    FakeMachine machine;
    TempDir run;
    const std::filesystem::path folder = run.Path() / "user" / "veltra";  // made later, as a simulator does
    const std::string vm0 = (folder / "ttyVM0").string();
    const std::string vm1 = (folder / "ttyVM1").string();
    SlotTable table;
    Reports reports;
    PortWatcher watcher({machine.Sys(), machine.Dev(), {vm0, vm1}}, reports.Listener(), &table);
    EXPECT_TRUE(watcher.Ports().empty());

    auto first = std::make_unique<Pty>();
    const Pty second;
    std::filesystem::create_directories(folder);
    std::filesystem::create_symlink(first->Path(), vm0);
    ASSERT_TRUE(PumpUntil([&] { return Shows(table, vm0, true); }));
    std::filesystem::create_symlink(second.Path(), vm1);
    ASSERT_TRUE(PumpUntil([&] { return Shows(table, vm1, true); }));

    std::filesystem::remove(vm1);
    ASSERT_TRUE(PumpUntil([&] { return Shows(table, vm1, false); }));
    // The terminal behind a link that stays ends: the port is gone all the same.
    first.reset();
    ASSERT_TRUE(PumpUntil([&] { return Shows(table, vm0, false); }));
    EXPECT_EQ(table.Rows().size(), 2U);

    const PortWatcher blind({machine.Sys(), machine.Dev(), {}}, reports.Listener(), nullptr,
                            {nullptr, "udev is not running"});
    EXPECT_NE(blind.Warning().find("(udev is not running)"), std::string::npos);
}
