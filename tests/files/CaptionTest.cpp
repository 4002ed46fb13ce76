#include "Caption.h"
#include "CaptionCatalogue.h"
#include "CaptionSet.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <set>
#include <tuple>

using veltra::CaptionReader;
using veltra::CaptionSet;
using veltra::testing::TempDir;

TEST(Caption, EscapesAreRewrittenAfterTheCut)
{
    const struct {
        std::string raw;
        std::string text;
    } escapes[] = {
        {"Line one\\nLine two", "Line one\nLine two"},
        {"C:\\\\temp", "C:\\temp"},
        {"a\\tb\\rc\\\\n\\N", "a\tb\rc\\n"},
        {"50\\%", "50"},
        {"abc\\", "abc"},
        // A dropped character is a whole UTF-8 character; the text stays valid.
        {"Gr\\\xC3\xBC\xC3\xBC\xC3\x9F", "Gr\xC3\xBC\xC3\x9F"},
    };
    for (const auto& e : escapes)
        EXPECT_EQ(veltra::UnescapeCaption(e.raw), e.text) << e.raw;

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

    // The host reads its country's main file, the module windows theirs; a
    // country without a module file leaves the module's texts in English.
    dir.Write("config/DE/main_DE.cap", "[MAIN_MENU]\nMENU_FILE=Datei(&D)\n[SET_TITLE]\nSET_CONNET=Verbinden\n");
    const std::string root = dir.Path().string();
    EXPECT_EQ(CaptionSet::ForCountry(root, "DE", CaptionReader::Host).Text("MAIN_MENU", "MENU_FILE"), "Datei(&D)");
    EXPECT_EQ(CaptionSet::ForCountry(root, "DE", CaptionReader::Sheet).Text("SET_TITLE", "SET_CONNET"), "Connection");
    dir.Write("config/DE/flashkit_DE.cap", "[SET_TITLE]\nSET_CONNET=Verbinden\n");
    EXPECT_EQ(CaptionSet::ForCountry(root, "DE", CaptionReader::Sheet).Text("SET_TITLE", "SET_CONNET"), "Verbinden");
}
