#include "CaptionCatalogue.h"
#include "CaptionSet.h"
#include "ProfileText.h"
#include "Settings.h"
#include "TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

using veltra::CaptionFile;
using veltra::testing::TempDir;

namespace {

const std::string kRoot = VELTRA_SOURCE_DIR;

using Key = std::pair<std::string, std::string>;

// How often each section and key occurs in the file, read independently of the
// program's own reader; a section opened twice counts as a duplicate too.
std::map<Key, int> CountEntries(const std::string& file)
{
    std::map<Key, int> entries;
    std::istringstream in(TempDir::Read(file));
    std::string section;
    for (std::string line; std::getline(in, line);) {
        const std::string_view text = veltra::TrimBlanks(line);
        if (text.starts_with('['))
            ++entries[{section = std::string(text.substr(1, text.find(']') - 1)), "["}];
        else if (!text.empty() && text.front() != ';')
            ++entries[{section, std::string(veltra::TrimBlanks(text.substr(0, text.find('='))))}];
    }
    return entries;
}

}  // namespace

TEST(ShippedConfig, CaptionFilesHoldExactlyTheCatalogueKeys)
{
    int files = 0;
    for (const auto& folder : std::filesystem::directory_iterator(kRoot + "/config")) {
        if (!folder.is_directory())
            continue;
        const std::string country = folder.path().filename().string();
        for (const auto kind : {CaptionFile::Main, CaptionFile::Flashkit}) {
            const std::string path = kind == CaptionFile::Main ? veltra::HostCaptionPath(kRoot, country)
                                                               : veltra::ModuleCaptionPath(kRoot, country);
            // A key whose readers have different English texts (BTN_CANCEL) may
            // be left out, so that each reader keeps its own.
            std::map<Key, std::set<std::string_view>> catalogue;
            for (const auto& entry : veltra::CaptionCatalogue()) {
                if (entry.file == kind) {
                    catalogue[{std::string(entry.section), "["}].insert("");
                    catalogue[{std::string(entry.section), std::string(entry.key)}].insert(entry.defaultText);
                }
            }
            const std::map<Key, int> entries = CountEntries(path);
            for (const auto& [key, count] : entries) {
                EXPECT_TRUE(catalogue.contains(key)) << path << ": unknown " << key.first << " " << key.second;
                EXPECT_EQ(count, 1) << path << ": repeated " << key.first << " " << key.second;
            }
            for (const auto& [key, texts] : catalogue) {
                EXPECT_TRUE(texts.size() > 1 || entries.contains(key)) << path << ": missing " << key.second;
            }
            ++files;
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2) << country;
    }
    EXPECT_GE(files, 2);
}

TEST(ShippedConfig, EnglishFilesGiveTheBuiltInTextsAndSettingsTheDefaults)
{
    for (const auto& entry : veltra::CaptionCatalogue()) {
        EXPECT_EQ(veltra::CaptionSet::ForCountry(kRoot, "UN", entry.reader).Text(entry.section, entry.key),
                  entry.defaultText) << entry.key;
    }
    EXPECT_EQ(veltra::ReadCountry(kRoot), "UN");
    EXPECT_FALSE(veltra::ReadModeMarkOption(kRoot, true));
    EXPECT_EQ(veltra::ReadItemSetting(kRoot), (std::array<bool, 8>{true, true, true, true, true, true, true, true}));
    EXPECT_TRUE(veltra::ReadExtraPorts(kRoot).empty());
}
