#include "Caption.h"
#include "CaptionCatalogue.h"
#include "CaptionSet.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <set>
#include <tuple>

using veltra::CaptionReader;
using veltra::CaptionSet;
using veltra::ReadCaption;
using veltra::UnescapeCaption;
using veltra::testing::TempDir;

TEST(Caption, EscapesAreRewritten)
{
    EXPECT_EQ(UnescapeCaption("Line one\\nLine two"), "Line one\nLine two");
    EXPECT_EQ(UnescapeCaption("C:\\\\temp"), "C:\\temp");
    EXPECT_EQ(UnescapeCaption("50\\%"), "50");
    EXPECT_EQ(UnescapeCaption("abc\\"), "abc");
    EXPECT_EQ(UnescapeCaption("a\\tb\\rc\\\\n\\N"), "a\tb\rc\\n");
    // A dropped character is a whole UTF-8 character; the text stays valid.
    EXPECT_EQ(UnescapeCaption("Gr\\\xC3\xBC\xC3\xBC\xC3\x9F"), "Gr\xC3\xBC\xC3\x9F");
}

TEST(Caption, ReadCaptionCutsBeforeTheRewriteAndRewritesDefaults)
{
    TempDir dir;
    // An escape that straddles the cut loses its second half first; the lone
    // backslash left over is then dropped by the rewrite.
    const std::string longValue = std::string(510, 'a') + "\\n" + std::string(88, 'b');
    const std::string file = dir.Write("f.cap", "[FW_MSG]\nMSG_COMM0=\nMSG_COMM1=   No Serial Ports\n"
                                                "MSG_COMM2=\"  Quoted\\tText \"\nLONG=" + longValue + "\n");
    EXPECT_EQ(ReadCaption(file, "FW_MSG", "LONG", "-"), std::string(510, 'a'));
    EXPECT_EQ(ReadCaption(file, "FW_MSG", "MSG_COMM0", "Time Out!"), "");
    EXPECT_EQ(ReadCaption(file, "FW_MSG", "MSG_COMM1", "-"), "No Serial Ports");
    EXPECT_EQ(ReadCaption(file, "FW_MSG", "MSG_COMM2", "-"), "  Quoted\tText ");
    EXPECT_EQ(ReadCaption(file, "FW_MSG", "MISSING", "  Two\\nlines"), "  Two\nlines");
}

TEST(Caption, CaptionSetReadsOnceForItsReader)
{
    std::set<std::tuple<CaptionReader, std::string_view, std::string_view>> seen;
    for (const auto& entry : veltra::CaptionCatalogue())
        EXPECT_TRUE(seen.insert({entry.reader, entry.section, entry.key}).second) << entry.key;

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
}

TEST(Caption, CountryWithOnlyTheHostFileLeavesModuleTextsInEnglish)
{
    TempDir dir;
    dir.Write("config/DE/main_DE.cap", "[MAIN_MENU]\nMENU_FILE=Datei(&D)\n[MENU_FILE]\n"
                                       "FILE_OPEN_HEX=HEX-Datei \xC3\xB6" "ffnen(&O)\\tStrg+O\n");
    const std::string root = dir.Path().string();
    const CaptionSet host = CaptionSet::ForCountry(root, "DE", CaptionReader::Host);
    EXPECT_EQ(host.Text("MAIN_MENU", "MENU_FILE"), "Datei(&D)");
    EXPECT_EQ(host.Text("MENU_FILE", "FILE_OPEN_HEX"), "HEX-Datei \xC3\xB6" "ffnen(&O)\tStrg+O");
    EXPECT_EQ(host.Text("MAIN_MENU", "MENU_HELP"), "Help(&H)");

    for (const auto& entry : veltra::CaptionCatalogue()) {
        if (entry.reader != CaptionReader::Host) {
            EXPECT_EQ(CaptionSet::ForCountry(root, "DE", entry.reader).Text(entry.section, entry.key),
                      entry.defaultText) << entry.key;
        }
    }
}
