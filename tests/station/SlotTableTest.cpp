#include "SlotTable.h"

#include <gtest/gtest.h>

using veltra::SlotTable;
using Rows = std::vector<int>;

namespace {

const std::string kNest1 = "pci-0000:00:14.0-usb-0:1:1.0-port0";
const std::string kNest2 = "pci-0000:00:14.0-usb-0:2:1.0-port0";
const std::string kLoose = "pci-0000:00:14.0-usb-0:5:1.0-port0";

std::string Labels(const SlotTable& table)
{
    std::string labels;
    for (std::size_t i = 0; i < table.Rows().size(); ++i)
        labels += table.Label(static_cast<int>(i)) + "|";
    return labels;
}

}  // namespace

TEST(SlotTable, NamedPlacesFirstThenFirstSeenAndRowsNeverMove)
{
    SlotTable table({{kNest1, "Nest 1"}, {"/dev/ttyS0", "Bench UART"}, {kNest2, "Nest 2"}, {kNest1, "again"}});
    EXPECT_EQ(Labels(table), "Nest 1|Bench UART|Nest 2|");
    SlotTable::Change change = table.Update({{"ttyS0", ""}, {"ttyUSB0", kLoose}, {"ttyUSB1", kNest2}, {"/tmp/vm0", ""}});
    EXPECT_EQ(change.added, (Rows{3, 4}));
    EXPECT_EQ(change.replugged, (Rows{1, 2}));
    EXPECT_EQ(Labels(table), "Nest 1|Bench UART (ttyS0)|Nest 2 (ttyUSB1)|ttyUSB0|/tmp/vm0|");
    // A newcomer is appended even when it sorts first; an unchanged look changes nothing.
    const std::vector<veltra::DiscoveredPort> later{
        {"ttyACM0", ""}, {"ttyS0", ""}, {"ttyUSB0", kLoose}, {"ttyUSB1", kNest2}, {"/tmp/vm0", ""}};
    EXPECT_EQ(table.Update(later).added, (Rows{5}));
    EXPECT_TRUE(table.Update(later).Empty());
    EXPECT_EQ(table.Rows()[5].key, "/dev/ttyACM0");
}

TEST(SlotTable, ReplugIntoTheSamePlaceTakesTheOldRowAndTick)
{
    SlotTable table({{kNest1, "Nest 1"}});
    table.Update({{"ttyUSB0", kNest1}, {"ttyUSB1", kLoose}});
    table.SetTicked(0, true);
    table.SetTicked(7, true);  // no such row: ignored
    EXPECT_EQ(table.Update({{"ttyUSB1", kLoose}}).unplugged, (Rows{0}));
    EXPECT_EQ(table.Label(0), "Nest 1 (ttyUSB0)");

    // Another adapter took ttyUSB0 meanwhile, elsewhere: a row of its own.
    EXPECT_EQ(table.Update({{"ttyUSB0", kNest2}, {"ttyUSB1", kLoose}}).added, (Rows{2}));
    SlotTable::Change change = table.Update({{"ttyUSB0", kNest2}, {"ttyUSB1", kLoose}, {"ttyUSB3", kNest1}});
    EXPECT_EQ(change.replugged, (Rows{0}));
    EXPECT_TRUE(change.added.empty() && change.unplugged.empty());
    EXPECT_TRUE(table.Rows()[0].present && table.Rows()[0].ticked && !table.Rows()[2].ticked);
    EXPECT_EQ(table.Label(0), "Nest 1 (ttyUSB3)");

    // Out and back in between two looks: the row stays but its port changed.
    change = table.Update({{"ttyUSB0", kNest2}, {"ttyUSB1", kLoose}, {"ttyUSB4", kNest1}});
    EXPECT_EQ(change.replugged, (Rows{0}));
    EXPECT_TRUE(change.unplugged.empty() && change.added.empty());
}

TEST(SlotTable, PortSeenBeforeItsLinkKeepsOneRow)
{
    SlotTable table;
    table.Update({{"ttyUSB0", ""}});  // before udev made the link
    table.SetTicked(0, true);
    EXPECT_TRUE(table.Update({{"ttyUSB0", kNest1}}).Empty());
    EXPECT_EQ(table.Rows()[0].key, kNest1);
    EXPECT_TRUE(table.Update({{"ttyUSB0", ""}}).Empty());  // on the way out the link may go first
    EXPECT_EQ(table.Update({}).unplugged, (Rows{0}));
    EXPECT_EQ(table.Update({{"ttyUSB2", kNest1}}).replugged, (Rows{0}));
    EXPECT_EQ(table.Rows().size(), 1U);
    EXPECT_TRUE(table.Rows()[0].ticked);
}
