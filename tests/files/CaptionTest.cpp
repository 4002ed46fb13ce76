#include "BadInput.h"
#include "Caption.h"
#include "CaptionCatalogue.h"
#include "CaptionSet.h"
#include "ParameterFile.h"
#include "ProfileText.h"
#include "RomImage.h"
#include "Settings.h"
#include "TempDir.h"
#include "ValueText.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

using veltra::CaptionFile;
using veltra::CaptionReader;
using veltra::CaptionSet;
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

// The blanks before and after a text.
std::pair<std::size_t, std::size_t> EndBlanks(std::string_view text)
{
    const std::size_t first = std::min(text.find_first_not_of(' '), text.size());
    return {first, text.size() - std::max(first, text.find_last_not_of(' ') + 1)};
}

std::vector<std::string> Countries()
{
    std::vector<std::string> countries;
    for (const auto& folder : std::filesystem::directory_iterator(kRoot + "/config")) {
        if (folder.is_directory())
            countries.push_back(folder.path().filename().string());
    }
    return countries;
}

}  // namespace

TEST(ShippedConfig, CaptionFilesHoldExactlyTheCatalogueKeys)
{
    for (const char* shipped : {"UN", "KR", "DE"})
        EXPECT_TRUE(std::ranges::count(Countries(), shipped)) << "no caption set " << shipped;
    for (const std::string& country : Countries()) {
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(kRoot + "/config/" + country), {}), 2) << country;
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
            for (const auto& [key, texts] : catalogue)
                EXPECT_TRUE(texts.size() > 1 || entries.contains(key)) << path << ": missing " << key.second;
        }
    }
}

// What the program does with a text around it: the tab puts the shortcut in the
// menu's right-hand column, a line feed breaks a message box's text, blanks at
// the ends pad the status line or keep a file path apart from the text before
// it, and "&" gives the menu its keyboard letter. A translation keeps all of
// it, and the English files are exactly the built-in texts.
TEST(ShippedConfig, TranslatedCaptionsKeepWhatTheProgramReliesOn)
{
    for (const std::string& country : Countries()) {
        std::map<veltra::CaptionReader, veltra::CaptionSet> sets;
        for (const auto& entry : veltra::CaptionCatalogue()) {
            if (!sets.contains(entry.reader))
                sets.emplace(entry.reader, veltra::CaptionSet::ForCountry(kRoot, country, entry.reader));
            const std::string& text = sets.at(entry.reader).Text(entry.section, entry.key);
            const std::string_view english = entry.defaultText;
            const std::string where = country + " " + std::string(entry.key);
            EXPECT_TRUE(country != "UN" || text == english) << where;
            // The reader hands the bytes on unconverted and the windows show them as
            // UTF-8, so a translation saved in a legacy code page would come out garbled.
            EXPECT_TRUE(veltra::testing::IsWholeUtf8(text)) << where;
            EXPECT_EQ(text.empty(), english.empty()) << where;
            for (const char kept : {'\t', '\n', '\r', '&'})
                EXPECT_EQ(std::ranges::count(text, kept), std::ranges::count(english, kept)) << where << " " << int{kept};
            EXPECT_EQ(EndBlanks(text), EndBlanks(english)) << where;
            // The shortcut itself is fixed in the program; the text beside it
            // may name the modifier in the local way but not another key.
            if (english.find('\t') != std::string_view::npos) {
                const std::string_view shortcut = std::string_view(text).substr(std::min(text.find('\t'), text.size()));
                EXPECT_TRUE(shortcut.ends_with(english.substr(english.rfind('+')))) << where << ": " << text;
            }
        }
    }
}

// The settings file lists no extra ports (its other defaults are what the
// sheet's runs start from), and the default parameter file describes a real
// module: rows inside the 512-byte EEPROM that never overlap,
// values that survive the trip into the module and back, and the test record
// kept out of downloads.
TEST(ShippedConfig, SettingsAndParameterFileAreTheDefaults)
{
    EXPECT_TRUE(veltra::ReadExtraPorts(kRoot).empty());

    veltra::ParameterTable table;
    std::string error;
    ASSERT_EQ(veltra::LoadParameterFile(kRoot + "/Data/VELTRA_EEPROM_DATA_SIGN.vtp", table, error),
              veltra::ParameterLoadStatus::Loaded);
    EXPECT_GE(table.rows.size(), 40u);
    uint32_t nextFree = 0;
    int testRecordRows = 0;
    for (size_t i = 0; i < table.rows.size(); ++i) {
        const veltra::ParameterEntry& row = table.rows[i];
        const uint32_t address = veltra::HexField(row.hexAddress);
        const int size = std::stoi(row.size);
        SCOPED_TRACE(row.name);
        EXPECT_GE(address, nextFree) << "overlaps the row before";
        nextFree = address + static_cast<uint32_t>(size);
        EXPECT_LE(nextFree, 512u);
        const std::vector<uint8_t> bytes = veltra::ValueTextToBytes(row.type, size, row.value);
        EXPECT_TRUE(row.type == "R" || veltra::BytesToValueText(row.type, bytes) == row.value) << row.value;
        if (address >= 464 && address <= 467) {
            EXPECT_EQ(table.transferMask[i], 0);
            ++testRecordRows;
        }
    }
    EXPECT_EQ(testRecordRows, 4);
}

TEST(Caption, EscapesAreRewrittenAfterTheCut)
{
    // A dropped character is a whole UTF-8 character; the text stays valid.
    for (const auto& [raw, text] : std::initializer_list<std::pair<std::string, std::string>>{
             {"Line one\\nLine two", "Line one\nLine two"}, {"C:\\\\temp", "C:\\temp"}, {"a\\tb\\rc\\\\n\\N", "a\tb\rc\\n"},
             {"50\\%", "50"}, {"abc\\", "abc"}, {"Gr\\\xC3\xBC\xC3\xBC\xC3\x9F", "Gr\xC3\xBC\xC3\x9F"}})
        EXPECT_EQ(veltra::UnescapeCaption(raw), text) << raw;

    // An escape across the cut loses its second half first, and the lone
    // backslash left over is then dropped; defaults are rewritten too.
    TempDir dir;
    const std::string file = dir.Write("f.cap", "[FW_MSG]\nLONG=" + std::string(510, 'a') + "\\n" + std::string(88, 'b') + "\n");
    EXPECT_EQ(veltra::ReadCaption(file, "FW_MSG", "LONG", "-"), std::string(510, 'a'));
    EXPECT_EQ(veltra::ReadCaption(file, "FW_MSG", "MISSING", "  Two\\nlines"), "  Two\nlines");
}

TEST(Caption, EachWindowReadsItsOwnTextsOnce)
{
    std::set<std::tuple<CaptionReader, std::string_view, std::string_view>> seen;
    for (const auto& entry : veltra::CaptionCatalogue())
        EXPECT_TRUE(seen.insert({entry.reader, entry.section, entry.key}).second) << entry.key;

    // BTN_CANCEL has a default of its own in each window.
    TempDir dir;
    const std::string file = dir.Write("f.cap", "[COMM_STATUS]\nBTN_OK=Okay\n");
    const CaptionSet status(file, CaptionReader::StatusWindow);
    const CaptionSet options(file, CaptionReader::TestOptions);
    EXPECT_EQ(status.Text("COMM_STATUS", "BTN_CANCEL"), "Cancel");
    EXPECT_EQ(options.Text("COMM_STATUS", "BTN_CANCEL"), "CANCEL");
    EXPECT_EQ(options.Text("COMM_STATUS", "BTN_OK"), "Okay");
    EXPECT_EQ(status.Text("COMM_STATUS", "BTN_OK"), "");

    // Texts stay as they were read while the window lives.
    dir.Write("f.cap", "[COMM_STATUS]\nBTN_OK=Changed\n");
    EXPECT_EQ(options.Text("COMM_STATUS", "BTN_OK"), "Okay");
    EXPECT_EQ(CaptionSet(file, CaptionReader::TestOptions).Text("COMM_STATUS", "BTN_OK"), "Changed");

    // A country without a module file leaves the module's texts in English,
    // whatever its main file holds. The host's menus and the test options
    // dialog show their country's own files in their tests.
    dir.Write("config/DE/main_DE.cap", "[SET_TITLE]\nSET_CONNET=Verbinden\n");
    EXPECT_EQ(CaptionSet::ForCountry(dir.Path().string(), "DE", CaptionReader::Sheet).Text("SET_TITLE", "SET_CONNET"),
              "Connection");
}
