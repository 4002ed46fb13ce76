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

TEST(Settings, ValuesAsTheProgramReadsThem)
{
    TempDir empty;
    EXPECT_EQ(veltra::ReadCountry(empty.Path().string()), "UN");
    EXPECT_EQ(veltra::ReadItemSetting(empty.Path().string()), Items("11111111"));
    EXPECT_TRUE(veltra::ReadExtraPorts(empty.Path().string()).empty());
    EXPECT_TRUE(veltra::ReadSlotNames(empty.Path().string()).empty());
    EXPECT_TRUE(veltra::ReadRecordsEnabled(empty.Path().string()));

    // Numbers as atoi reads them, but past the int range they saturate: 2^32 + 1
    // must not wrap round to 1.
    for (const auto& [text, value] : std::initializer_list<std::pair<const char*, int>>{
             {" \t42abc", 42}, {"1abc", 1}, {"-7", -7}, {"+3", 3}, {"- 5", 0}, {"", 0}, {"4294967297", INT_MAX},
             {"-99999999999999999999", INT_MIN}}) {
        EXPECT_EQ(veltra::ParseLeadingInt(text), value) << text;
        // The mode mark option: 0 off, 1 on, any other number leaves it as it was.
        const ProgramFolder folder("[OPTIONS]\nFW_DW_OPT01=" + std::string(text) + "\n");
        EXPECT_EQ(veltra::ReadModeMarkOption(folder.Root(), false), value == 1) << text;
        EXPECT_EQ(veltra::ReadModeMarkOption(folder.Root(), true), value != 0) << text;
    }

    // Each character of ITEM_SETTING is a number of its own.
    for (const auto& [value, items] : {std::pair{"10000001", "10000001"}, {"101", "10100000"}, {"0-1 2", "00101000"}}) {
        const ProgramFolder folder("[TEST]\nITEM_SETTING=" + std::string(value) + "\n");
        EXPECT_EQ(veltra::ReadItemSetting(folder.Root()), Items(items)) << value;
    }

    // Sixty-four ports run far past the 511 bytes of a setting; every one is
    // kept whole. Blanks, empty items, relative paths and repeats are dropped.
    std::string list = " /dev/pts/3 , ,ttyS0,,/dev/pts/3,\t";
    std::vector<std::string> expected = {"/dev/pts/3"};
    for (int i = 0; i < 64; ++i) {
        expected.push_back("/tmp/veltra-bench/ttyVM" + std::to_string(i));
        list += "," + expected.back();
    }
    EXPECT_EQ(veltra::ReadExtraPorts(ProgramFolder("[PORTS]\nEXTRA=" + list + "\n").Root()), expected);

    // Slots in file order; the first section and the first of a repeated key
    // count, as for every value. Records are off only at 0.
    const ProgramFolder station("[SLOTS]\npci-0000:00:14.0-usb-0:2:1.0-port0 = \"Nest 17 \"\n; note\n/dev/ttyS0=Nest 1\n"
                                "noequals\n/DEV/TTYS0=again\nempty=\n[RECORDS]\nENABLED=0\n[slots]\nlater=3\n");
    EXPECT_EQ(veltra::ReadSlotNames(station.Root()),
              (std::vector<std::pair<std::string, std::string>>{
                  {"pci-0000:00:14.0-usb-0:2:1.0-port0", "Nest 17 "}, {"/dev/ttyS0", "Nest 1"}, {"empty", ""}}));
    EXPECT_FALSE(veltra::ReadRecordsEnabled(station.Root()));
    for (const std::string on : {"1", "2", " -1"})
        EXPECT_TRUE(veltra::ReadRecordsEnabled(ProgramFolder("[RECORDS]\nENABLED=" + on + "\n").Root())) << on;
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
