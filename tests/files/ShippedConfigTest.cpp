#include "CaptionCatalogue.h"
#include "BadInput.h"
#include "CaptionSet.h"
#include "ProfileText.h"
#include "Settings.h"
#include "TempDir.h"

#include <algorithm>
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


std::size_t LeadingBlanks(std::string_view text)
{
    return std::min(text.find_first_not_of(' '), text.size());
}

std::size_t TrailingBlanks(std::string_view text)
{
    const std::size_t last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? text.size() : text.size() - last - 1;
}

}  // namespace

TEST(ShippedConfig, CaptionFilesHoldExactlyTheCatalogueKeys)
{
    std::set<std::string> countries;
    int files = 0;
    for (const auto& folder : std::filesystem::directory_iterator(kRoot + "/config")) {
        if (!folder.is_directory())
            continue;
        const std::string country = folder.path().filename().string();
        countries.insert(country);
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
    for (const char* shipped : {"UN", "KR", "DE"})
        EXPECT_TRUE(countries.contains(shipped)) << "no caption set " << shipped;
    EXPECT_EQ(files, 2 * static_cast<int>(countries.size()));
}

// What the program does with a text around it: the tab puts the shortcut in the
// menu's right-hand column, a line feed breaks a message box's text, blanks at
// the ends pad the status line or keep a file path apart from the text before
// it, and "&" gives the menu its keyboard letter. A translation keeps all of it.
TEST(ShippedConfig, TranslatedCaptionsKeepWhatTheProgramReliesOn)
{
    for (const auto& folder : std::filesystem::directory_iterator(kRoot + "/config")) {
        if (!folder.is_directory())
            continue;
        const std::string country = folder.path().filename().string();
        std::map<veltra::CaptionReader, veltra::CaptionSet> sets;
        for (const auto& entry : veltra::CaptionCatalogue()) {
            if (!sets.contains(entry.reader))
                sets.emplace(entry.reader, veltra::CaptionSet::ForCountry(kRoot, country, entry.reader));
            const std::string& text = sets.at(entry.reader).Text(entry.section, entry.key);
            const std::string_view english = entry.defaultText;
            const std::string where = country + " " + std::string(entry.key);
            // The reader hands the bytes on unconverted and the windows show them as
            // UTF-8, so a translation saved in a legacy code page would come out garbled.
            EXPECT_TRUE(veltra::testing::IsWholeUtf8(text)) << where;
            EXPECT_EQ(text.empty(), english.empty()) << where;
            for (const char kept : {'\t', '\n', '\r', '&'}) {
                EXPECT_EQ(std::ranges::count(text, kept), std::ranges::count(english, kept))
                    << where << ": character " << int{kept};
            }
            EXPECT_EQ(LeadingBlanks(text), LeadingBlanks(english)) << where;
            EXPECT_EQ(TrailingBlanks(text), TrailingBlanks(english)) << where;
            // The shortcut itself is fixed in the program; the text beside it
            // may name the modifier in the local way but not another key.
            if (english.find('\t') != std::string_view::npos) {
                const std::string_view shortcut = std::string_view(text).substr(std::min(text.find('\t'), text.size()));
                EXPECT_TRUE(shortcut.ends_with(english.substr(english.rfind('+')))) << where << ": " << text;
            }
        }
    }
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
