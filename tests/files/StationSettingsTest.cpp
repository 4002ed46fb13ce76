#include "Settings.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using veltra::testing::TempDir;

TEST(StationSettings, SlotNamesInFileOrderAndRecordsSwitch)
{
    TempDir dir;
    const std::string root = dir.Path().string();
    EXPECT_TRUE(veltra::ReadSlotNames(root).empty());
    EXPECT_TRUE(veltra::ReadRecordsEnabled(root));

    // The first section and the first of a repeated key count, as for every value.
    dir.Write("config/VTDown.ini", "[SLOTS]\npci-0000:00:14.0-usb-0:2:1.0-port0 = \"Nest 17 \"\n; note\n"
                                   "/dev/ttyS0=Nest 1\nnoequals\n/DEV/TTYS0=again\nempty=\n"
                                   "[RECORDS]\nENABLED=0\n[slots]\nlater=3\n");
    using Slots = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(veltra::ReadSlotNames(root), (Slots{{"pci-0000:00:14.0-usb-0:2:1.0-port0", "Nest 17 "},
                                                  {"/dev/ttyS0", "Nest 1"},
                                                  {"empty", ""}}));
    EXPECT_FALSE(veltra::ReadRecordsEnabled(root));
    for (const std::string on : {"1", "2", " -1"}) {
        dir.Write("config/VTDown.ini", "[RECORDS]\nENABLED=" + on + "\n");
        EXPECT_TRUE(veltra::ReadRecordsEnabled(root)) << on;
    }
}
