#include "FakeMachine.h"
#include "LinkTestSupport.h"
#include "PortWatcher.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace std::chrono_literals;
using veltra::PortWatcher;
using veltra::SlotTable;
using veltra::testing::FakeEvents;
using veltra::testing::FakeMachine;
using veltra::testing::PumpUntil;
using Rows = std::vector<int>;

namespace {

bool Present(const SlotTable& table, const std::string& key)
{
    return std::ranges::any_of(table.Rows(), [&](const veltra::SlotRow& row) { return row.key == key && row.present; });
}

}  // namespace

TEST(PortWatcher, AnAdapterComesToItsRowInOneChange)
{
    veltra::testing::App();
    FakeMachine machine;
    machine.AddUart("ttyS0");
    machine.Plug("ttyUSB0", "2");
    SlotTable table({{FakeMachine::ByPath("2"), "Nest 2"}, {FakeMachine::ByPath("1"), "Nest 1"}});
    auto source = std::make_unique<FakeEvents>();
    const FakeEvents& events = *source;
    int reports = 0;
    SlotTable::Change last;
    const PortWatcher watcher({machine.Sys(), machine.Dev(), {}},
                              [&](const auto&, const SlotTable::Change& change) {
                                  ++reports;
                                  last = change;
                              },
                              &table,
                              {std::move(source), {}});
    EXPECT_TRUE(watcher.Warning().empty());
    ASSERT_EQ(table.Rows().size(), 3U);
    EXPECT_EQ(table.Label(0) + "|" + table.Label(1) + "|" + table.Label(2), "Nest 2 (ttyUSB0)|Nest 1|ttyS0");

    // An adapter announces itself several times; it is one change. An adapter
    // pulled out and plugged back, and what it does to its row, is the slot
    // table's, and the station's, to show.
    machine.Plug("ttyUSB1", "1");
    for (int i = 0; i < 4; ++i)
        events.Notice();
    ASSERT_TRUE(PumpUntil([&] { return reports == 1; }));
    veltra::testing::PumpFor(100ms);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(last.replugged, (Rows{1}));
}

TEST(PortWatcher, ExtraLinksAreFollowedWithOrWithoutUdev)
{
    veltra::testing::App();
    FakeMachine machine;
    veltra::testing::TempDir run;
    const std::filesystem::path folder = run.Path() / "user/veltra";  // made later, as a simulator does
    const std::string vm0 = folder / "ttyVM0", vm1 = folder / "ttyVM1";
    SlotTable table;
    const PortWatcher watcher({machine.Sys(), machine.Dev(), {vm0, vm1}}, [](const auto&, const auto&) {}, &table);
    EXPECT_TRUE(table.Rows().empty());

    auto first = std::make_unique<veltra::testing::Pty>();
    const veltra::testing::Pty second;
    std::filesystem::create_directories(folder);
    std::filesystem::create_symlink(first->Path(), vm0);
    ASSERT_TRUE(PumpUntil([&] { return Present(table, vm0); }));
    std::filesystem::create_symlink(second.Path(), vm1);
    ASSERT_TRUE(PumpUntil([&] { return Present(table, vm1); }));
    std::filesystem::remove(vm1);
    ASSERT_TRUE(PumpUntil([&] { return !Present(table, vm1); }));
    // The terminal behind a link that stays ends: the port is gone all the same.
    first.reset();
    ASSERT_TRUE(PumpUntil([&] { return !Present(table, vm0); }));
    EXPECT_EQ(table.Rows().size(), 2U);

    const PortWatcher blind({machine.Sys(), machine.Dev(), {}}, [](const auto&, const auto&) {}, nullptr, {nullptr, "udev is not running"});
    EXPECT_NE(blind.Warning().find("(udev is not running)"), std::string::npos);
}
