#include "Settings.h"
#include "TempDir.h"

#include <climits>
#include <cstdlib>
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
}

TEST(Settings, ItemSettingGoesToTheUsersFileWhereTheProgramFolderCannotBeWritten)
{
    TempDir home;
    ::setenv("XDG_CONFIG_HOME", home.Path().c_str(), 1);
    const std::string userFile = home.File("veltra/VTDown.ini");
    ASSERT_EQ(veltra::UserSettingsFilePath(), userFile);

    // A program folder without its config folder, or with a file in its place
    // (which even root cannot write below), keeps nothing and gains no folder;
    // the choice is the user's own from then on, read over the folder's.
    TempDir noFolder;
    std::string error;
    ASSERT_TRUE(veltra::WriteItemSetting(noFolder.Path().string(), Items("01000000"), error)) << error;
    EXPECT_FALSE(std::filesystem::exists(noFolder.File("config")));
    EXPECT_EQ(TempDir::Read(userFile), "[TEST]\nITEM_SETTING=01000000\n");

    ProgramFolder blocked("");
    std::filesystem::remove_all(blocked.dir.File("config"));
    blocked.dir.Write("config", "not a folder");
    ASSERT_TRUE(veltra::WriteItemSetting(blocked.Root(), Items("10100000"), error)) << error;
    EXPECT_EQ(TempDir::Read(blocked.dir.File("config")), "not a folder");
    EXPECT_EQ(veltra::ReadItemSetting(blocked.Root()), Items("10100000"));

    const ProgramFolder shared("[TEST]\nITEM_SETTING=11110000\n");
    EXPECT_EQ(veltra::ReadItemSetting(shared.Root()), Items("10100000"));
    // Where both can be written both are kept in step, or the user's older
    // value would hide the new one.
    ASSERT_TRUE(veltra::WriteItemSetting(shared.Root(), Items("00000011"), error)) << error;
    EXPECT_EQ(shared.Settings(), "[TEST]\nITEM_SETTING=00000011\n");
    EXPECT_EQ(TempDir::Read(userFile), "[TEST]\nITEM_SETTING=00000011\n");

    // Without a user file the program folder's value stands alone.
    std::filesystem::remove(userFile);
    EXPECT_EQ(veltra::ReadItemSetting(shared.Root()), Items("00000011"));
    ASSERT_TRUE(veltra::WriteItemSetting(shared.Root(), Items("11000000"), error)) << error;
    EXPECT_FALSE(std::filesystem::exists(userFile));

    // Only absolute folders name the user's file.
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    ::setenv("HOME", "/home/tech", 1);
    EXPECT_EQ(veltra::UserSettingsFilePath(), "/home/tech/.config/veltra/VTDown.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "", 1);
    EXPECT_EQ(veltra::UserSettingsFilePath(), "");
    EXPECT_FALSE(veltra::WriteItemSetting(noFolder.Path().string(), Items("01000000"), error));
    EXPECT_FALSE(error.empty());
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
