#include "Settings.h"
#include "TempDir.h"

#include <climits>
#include <filesystem>
#include <gtest/gtest.h>

using veltra::testing::TempDir;

namespace {

// A program folder whose settings file holds `settings`.
struct ProgramFolder {
    explicit ProgramFolder(const std::string& settings) { dir.Write("config/VTDown.ini", settings); }
    std::string Root() const { return dir.Path().string(); }
    std::string Settings() const { return TempDir::Read(dir.File("config/VTDown.ini")); }
    TempDir dir;
};

std::array<bool, 8> Items(std::string_view digits)
{
    std::array<bool, 8> items{};
    for (std::size_t i = 0; i < items.size(); ++i)
        items[i] = digits[i] == '1';
    return items;
}

}  // namespace

TEST(Settings, PathsAndCountry)
{
    EXPECT_EQ(veltra::SettingsFilePath("/opt/v"), "/opt/v/config/VTDown.ini");
    EXPECT_EQ(veltra::HostCaptionPath("/opt/v", "DE"), "/opt/v/config/DE/main_DE.cap");
    EXPECT_EQ(veltra::ModuleCaptionPath("/opt/v", "DE"), "/opt/v/config/DE/flashkit_DE.cap");
    TempDir empty;
    EXPECT_EQ(veltra::ReadCountry(empty.Path().string()), "UN");
    EXPECT_EQ(veltra::ReadCountry(ProgramFolder("[startup]\ncountry = DE\n").Root()), "DE");
}

TEST(Settings, ParseLeadingIntAndModeMarkOption)
{
    EXPECT_EQ(veltra::ParseLeadingInt(" \t\n42abc"), 42);
    EXPECT_EQ(veltra::ParseLeadingInt("-7"), -7);
    EXPECT_EQ(veltra::ParseLeadingInt("+3"), 3);
    EXPECT_EQ(veltra::ParseLeadingInt("- 5"), 0);
    // Beyond the int range it saturates: 2^32 + 1 must not wrap round to 1.
    EXPECT_EQ(veltra::ParseLeadingInt("4294967297"), INT_MAX);
    EXPECT_EQ(veltra::ParseLeadingInt("-99999999999999999999"), INT_MIN);

    const auto read = [](const std::string& value, bool current) {
        return veltra::ReadModeMarkOption(ProgramFolder("[OPTIONS]\nFW_DW_OPT01=" + value + "\n").Root(), current);
    };
    for (const std::string on : {"1", "  1", "1abc"})
        EXPECT_TRUE(read(on, false)) << on;
    for (const std::string off : {"0", "", "abc"})
        EXPECT_FALSE(read(off, true)) << off;
    for (const std::string other : {"2", "-1", "4294967297"}) {
        EXPECT_TRUE(read(other, true)) << other;
        EXPECT_FALSE(read(other, false)) << other;
    }
}

TEST(Settings, ItemSettingReadsOneCharacterPerItem)
{
    TempDir empty;
    EXPECT_EQ(veltra::ReadItemSetting(empty.Path().string()), Items("11111111"));
    const auto read = [](const std::string& value) {
        return veltra::ReadItemSetting(ProgramFolder("[TEST]\nITEM_SETTING=" + value + "\n").Root());
    };
    EXPECT_EQ(read("10000001"), Items("10000001"));
    EXPECT_EQ(read("101"), Items("10100000"));
    EXPECT_EQ(read("1x111111"), Items("10111111"));
    EXPECT_EQ(read("0-1 2"), Items("00101000"));
}

TEST(Settings, ItemSettingIsWrittenBackKeepingTheRestOfTheFile)
{
    const std::string before = "; shared settings\r\n[STARTUP]\r\nCOUNTRY = DE \r\n\r\n"
                               "[test]\r\nITEM_SETTING=11111111\r\nOTHER=x\r\n";
    ProgramFolder folder(before);
    std::string error;
    ASSERT_TRUE(veltra::WriteItemSetting(folder.Root(), Items("10100001"), error)) << error;
    std::string expected = before;
    expected.replace(expected.find("ITEM_SETTING=11111111"), 21, "ITEM_SETTING=10100001");
    EXPECT_EQ(folder.Settings(), expected);
    EXPECT_EQ(veltra::ReadItemSetting(folder.Root()), Items("10100001"));

    ProgramFolder noSection("[STARTUP]\nCOUNTRY=UN\n");
    ASSERT_TRUE(veltra::WriteItemSetting(noSection.Root(), Items("00000000"), error)) << error;
    EXPECT_EQ(noSection.Settings(), "[STARTUP]\nCOUNTRY=UN\n[TEST]\nITEM_SETTING=00000000\n");

    TempDir noFile;
    std::filesystem::create_directory(noFile.File("config"));
    ASSERT_TRUE(veltra::WriteItemSetting(noFile.Path().string(), Items("01000000"), error)) << error;
    EXPECT_EQ(TempDir::Read(noFile.File("config/VTDown.ini")), "[TEST]\nITEM_SETTING=01000000\n");

    // Without a config folder nothing is written and no folder is made.
    TempDir noFolder;
    EXPECT_FALSE(veltra::WriteItemSetting(noFolder.Path().string(), Items("01000000"), error));
    EXPECT_FALSE(std::filesystem::exists(noFolder.File("config")));
}

TEST(Settings, ExtraPorts)
{
    TempDir empty;
    EXPECT_TRUE(veltra::ReadExtraPorts(empty.Path().string()).empty());
    const ProgramFolder folder("[PORTS]\nEXTRA= /dev/pts/3 , ,/dev/pts/4,ttyS0,,/dev/pts/3,\t/dev/ttyV0\t\n");
    EXPECT_EQ(veltra::ReadExtraPorts(folder.Root()),
              (std::vector<std::string>{"/dev/pts/3", "/dev/pts/4", "/dev/ttyV0"}));

    // Sixty-four ports run far past the 511 bytes of a setting; every one is
    // kept whole, and no cut-off path names some other port.
    std::string list;
    std::vector<std::string> expected;
    for (int i = 0; i < 64; ++i) {
        expected.push_back("/tmp/veltra-bench/ttyVM" + std::to_string(i));
        list += (i ? "," : "") + expected.back();
    }
    const ProgramFolder many("[PORTS]\nEXTRA=" + list + "\n");
    EXPECT_EQ(veltra::ReadExtraPorts(many.Root()), expected);
}
