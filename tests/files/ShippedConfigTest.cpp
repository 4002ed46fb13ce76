#include "Caption.h"
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

// The section and key of every entry line, counted, as an independent reading of
// the file's layout; comments and blank lines are skipped.
std::map<Key, int> EntriesOf(const std::string& file)
{
    std::map<Key, int> entries;
    std::set<std::string> sections;
    std::istringstream in(TempDir::Read(file));
    std::string section;
    for (std::string line; std::getline(in, line);) {
        const std::string_view text = veltra::TrimBlanks(line);
        if (text.empty() || text.front() == ';')
            continue;
        if (text.front() == '[') {
            section = std::string(text.substr(1, text.find(']') - 1));
            EXPECT_TRUE(sections.insert(section).second) << file << ": section " << section << " twice";
            continue;
        }
        const std::size_t equals = text.find('=');
        EXPECT_NE(equals, std::string_view::npos) << file << ": " << line;
        ++entries[{section, std::string(veltra::TrimBlanks(text.substr(0, equals)))}];
    }
    return entries;
}

// A key whose readers disagree on the English text (BTN_CANCEL) may be left out
// of a file, so that each reader keeps its own; every other key must be there.
std::map<Key, bool> CatalogueKeys(CaptionFile file)
{
    std::map<Key, std::set<std::string_view>> defaults;
    for (const auto& entry : veltra::CaptionCatalogue()) {
        if (entry.file == file)
            defaults[{std::string(entry.section), std::string(entry.key)}].insert(entry.defaultText);
    }
    std::map<Key, bool> required;
    for (const auto& [key, texts] : defaults)
        required[key] = texts.size() == 1;
    return required;
}

}  // namespace

TEST(ShippedConfig, CaptionFilesHoldExactlyTheCatalogueKeys)
{
    int files = 0;
    for (const auto& folder : std::filesystem::directory_iterator(kRoot + "/config")) {
        if (!folder.is_directory())
            continue;
        const std::string country = folder.path().filename().string();
        for (const auto& [kind, path] : {std::pair{CaptionFile::Main, veltra::HostCaptionPath(kRoot, country)},
                                         std::pair{CaptionFile::Flashkit, veltra::ModuleCaptionPath(kRoot, country)}}) {
            ASSERT_TRUE(std::filesystem::exists(path)) << path;
            ++files;
            const std::map<Key, int> entries = EntriesOf(path);
            const std::map<Key, bool> catalogue = CatalogueKeys(kind);
            for (const auto& [key, count] : entries) {
                EXPECT_TRUE(catalogue.contains(key)) << path << ": unknown key " << key.first << "/" << key.second;
                EXPECT_EQ(count, 1) << path << ": " << key.second << " twice";
            }
            for (const auto& [key, required] : catalogue) {
                if (required) {
                    EXPECT_TRUE(entries.contains(key)) << path << ": missing " << key.first << "/" << key.second;
                }
            }
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2) << country;
    }
    EXPECT_GE(files, 2);
}

TEST(ShippedConfig, EnglishFilesGiveTheBuiltInTexts)
{
    for (const auto& entry : veltra::CaptionCatalogue()) {
        const std::string path = entry.file == CaptionFile::Main ? veltra::HostCaptionPath(kRoot, "UN")
                                                                 : veltra::ModuleCaptionPath(kRoot, "UN");
        EXPECT_EQ(veltra::ReadCaption(path, entry.section, entry.key, "<missing>"),
                  CatalogueKeys(entry.file).at({std::string(entry.section), std::string(entry.key)})
                      ? std::string(entry.defaultText)
                      : "<missing>")
            << entry.key;
        const auto set = veltra::CaptionSet::ForCountry(kRoot, "UN", entry.reader);
        EXPECT_EQ(set.Text(entry.section, entry.key), entry.defaultText) << entry.key;
    }
}

TEST(ShippedConfig, SettingsFileHoldsTheDefaults)
{
    EXPECT_EQ(veltra::ReadCountry(kRoot), "UN");
    EXPECT_FALSE(veltra::ReadModeMarkOption(kRoot, true));
    EXPECT_EQ(veltra::ReadItemSetting(kRoot), (std::array<bool, 8>{true, true, true, true, true, true, true, true}));
    EXPECT_TRUE(veltra::ReadExtraPorts(kRoot).empty());
    const std::string text = TempDir::Read(veltra::SettingsFilePath(kRoot));
    EXPECT_NE(text.find("[TEST]\n"), std::string::npos);
    EXPECT_NE(text.find("ITEM_SETTING=11111111\n"), std::string::npos);
}
