#include "BadInput.h"
#include "CaptionCatalogue.h"
#include "CaptionSet.h"
#include "Profile.h"
#include "Settings.h"
#include "TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using veltra::CaptionReader;
using veltra::CaptionSet;
using veltra::testing::TempDir;

namespace {

// Every text of every module window is its English default.
void ExpectEnglish(const std::string& captionFile)
{
    for (const CaptionReader reader :
         {CaptionReader::Sheet, CaptionReader::StatusWindow, CaptionReader::TestOptions, CaptionReader::UploadWindow}) {
        const CaptionSet set(captionFile, reader);
        for (const auto& entry : veltra::CaptionCatalogue()) {
            if (entry.reader != reader)
                continue;
            EXPECT_EQ(set.Text(entry.section, entry.key), entry.defaultText) << captionFile << " " << entry.key;
        }
    }
}

std::uintmax_t SizeOf(const std::string& file)
{
    return std::filesystem::file_size(file);
}

}  // namespace

TEST(CaptionBadInput, WhatCannotBeReadGivesTheEnglishDefaults)
{
    TempDir dir;
    const long peakBefore = veltra::testing::PeakMemoryKiB();
    for (unsigned seed = 1; seed <= 10; ++seed)
        ExpectEnglish(dir.Write("junk.cap", veltra::testing::Junk(seed, 65536)));

    // A gigabyte that is mostly hole, even with a good section at its start,
    // is no caption file; nor is a device that never ends.
    ExpectEnglish(veltra::testing::SparseFile(dir, "hole.cap", "[SET_TITLE]\nSET_CONNET=Verbinden\n",
                                              veltra::testing::kGiB));
    const std::string endless = dir.File("endless.cap");
    std::filesystem::create_symlink("/dev/zero", endless);
    ExpectEnglish(endless);
    EXPECT_LT(veltra::testing::PeakMemoryKiB() - peakBefore, 64 * 1024);

    std::filesystem::create_directory(dir.File("folder.cap"));
    ExpectEnglish(dir.File("folder.cap"));
    // Nobody writes to this FIFO: reading it must not wait for somebody to.
    const std::string fifo = dir.File("fifo.cap");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ExpectEnglish(fifo);
    if (veltra::testing::CanMakeUnreadableFiles()) {
        const std::string locked = dir.Write("locked.cap", "[SET_TITLE]\nSET_CONNET=Verbinden\n");
        ::chmod(locked.c_str(), 0);
        ExpectEnglish(locked);
    }
}

TEST(CaptionBadInput, LongLinesAndNulsLeaveTheRestReadableAndCharactersWhole)
{
    TempDir dir;
    const auto million = [](const std::string& piece) {
        std::string text;
        while (text.size() < 1000000)
            text += piece;
        return text;
    };
    // A value of a million bytes is cut at 511 bytes or just before, never
    // inside a character; a line of a million bytes that means nothing, a
    // section name as long, hide none of the keys around them.
    const struct {
        std::string value;
        std::string expected;
    } cases[] = {
        {million("\xC3\xA9"), million("\xC3\xA9").substr(0, 510)},
        {million("\xE2\x82\xAC"), million("\xE2\x82\xAC").substr(0, 510)},
        {"x" + million("\xF0\x9F\x98\x80"), ("x" + million("\xF0\x9F\x98\x80")).substr(0, 509)},
        {million("\\"), std::string(255, '\\')},
        {std::string("Time") + '\0' + "Out", std::string("Time") + '\0' + "Out"},
    };
    for (const auto& c : cases) {
        for (const std::string& noise : {std::string(1000000, 'z'), "[" + std::string(1000000, 'S') + "]"}) {
            const std::string file = dir.Write("long.cap", "[SET_TITLE]\nSET_CONNET=" + c.value + "\n" + noise +
                                                               "\n[SET_TITLE]\nSET_BAUDRATE=Rate\n"
                                                               "[FW_MSG]\nMSG_COMM2=After the long lines\n");
            const CaptionSet sheet(file, CaptionReader::Sheet);
            const std::string& connect = sheet.Text("SET_TITLE", "SET_CONNET");
            EXPECT_EQ(connect, c.expected);
            EXPECT_TRUE(veltra::testing::IsWholeUtf8(connect));
            EXPECT_EQ(sheet.Text("FW_MSG", "MSG_COMM2"), "After the long lines");
            // A second section of the same name is never read.
            EXPECT_EQ(sheet.Text("SET_TITLE", "SET_BAUDRATE"), "Baud Rate");
        }
    }
}

// The settings file: what cannot be read gives the defaults, and writing the
// test items never replaces a file that could not be read.
TEST(CaptionBadInput, SettingsFileThatCannotBeReadIsNeverReplaced)
{
    const auto expectDefaults = [](const std::string& root) {
        EXPECT_EQ(veltra::ReadCountry(root), "UN");
        EXPECT_FALSE(veltra::ReadModeMarkOption(root, false));
        EXPECT_EQ(veltra::ReadItemSetting(root), (std::array<bool, 8>{true, true, true, true, true, true, true, true}));
        EXPECT_TRUE(veltra::ReadExtraPorts(root).empty());
    };
    const std::array<bool, 8> items{true, false, true, false, false, false, false, true};
    std::string error;

    TempDir hole;
    const std::string big = veltra::testing::SparseFile(hole, "config/VTDown.ini", "[STARTUP]\nCOUNTRY=DE\n",
                                                        veltra::testing::kGiB);
    expectDefaults(hole.Path().string());
    EXPECT_FALSE(veltra::WriteItemSetting(hole.Path().string(), items, error));
    EXPECT_EQ(error, big + ": File too large");
    EXPECT_EQ(SizeOf(big), veltra::testing::kGiB);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(hole.File("config")), {}), 1);

    TempDir folder;
    std::filesystem::create_directories(folder.File("config/VTDown.ini"));
    expectDefaults(folder.Path().string());
    EXPECT_FALSE(veltra::WriteItemSetting(folder.Path().string(), items, error));
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("config/VTDown.ini")));

    // Junk is read as lines that mean nothing; the items are added after it
    // and every byte of it stays.
    TempDir junk;
    const std::string bytes = veltra::testing::Junk(7, 65536);
    const std::string file = junk.Write("config/VTDown.ini", bytes);
    expectDefaults(junk.Path().string());
    ASSERT_TRUE(veltra::WriteItemSetting(junk.Path().string(), items, error)) << error;
    EXPECT_EQ(TempDir::Read(file).substr(0, bytes.size()), bytes);
    EXPECT_EQ(veltra::ReadItemSetting(junk.Path().string()), items);

    if (veltra::testing::CanMakeUnreadableFiles()) {
        TempDir locked;
        const std::string settings = locked.Write("config/VTDown.ini", "[STARTUP]\nCOUNTRY=DE\n");
        ::chmod(settings.c_str(), 0);
        expectDefaults(locked.Path().string());
        EXPECT_FALSE(veltra::WriteItemSetting(locked.Path().string(), items, error));
        ::chmod(settings.c_str(), 0600);
        EXPECT_EQ(TempDir::Read(settings), "[STARTUP]\nCOUNTRY=DE\n");
    }
}
