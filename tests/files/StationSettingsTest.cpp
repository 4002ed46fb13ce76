#include "ProfileDocument.h"
#include "Settings.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using veltra::testing::TempDir;

TEST(StationSettings, SectionKeysInFileOrder)
{
    const veltra::ProfileDocument document(
        "[SLOTS]\nb=1\n; note\nA=2\nnoequals\nb=3\n a = 4\n[OTHER]\nc=5\n[slots]\nd=6\n");
    // The first section counts, and a key written twice is the first one.
    EXPECT_EQ(document.Keys("slots"), (std::vector<std::string>{"b", "A"}));
    EXPECT_EQ(document.Keys("OTHER"), (std::vector<std::string>{"c"}));
    EXPECT_TRUE(document.Keys("MISSING").empty());
}

TEST(StationSettings, SlotNamesAndRecordsSwitch)
{
    TempDir dir;
    const std::string root = dir.Path().string();
    EXPECT_TRUE(veltra::ReadSlotNames(root).empty());
    EXPECT_TRUE(veltra::ReadRecordsEnabled(root));

    dir.Write("config/VTDown.ini", "[SLOTS]\npci-0000:00:14.0-usb-0:2:1.0-port0 = \"Nest 17 \"\n"
                                   "/dev/ttyS0=Nest 1\nempty=\n[RECORDS]\nENABLED=0\n");
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
