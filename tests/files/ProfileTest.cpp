#include "Profile.h"
#include "TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

using veltra::ReadProfileString;
using veltra::WriteProfileString;
using veltra::testing::TempDir;

TEST(Profile, ReadsValuesByTheFileRules)
{
    TempDir dir;
    const std::string file = dir.Write("a.ini", "; [HIDDEN] a comment is not a section\r\n"
                                                "  [ Menu ]  \r\n"
                                                "Plain=Open file\r\n"
                                                "  spaced key  =  \t padded value \t \r\n"
                                                ";Commented=yes\r\n"
                                                "Quoted=\"  keeps blanks  \"\r\n"
                                                "Single=' x '\r\n"
                                                "Unmatched=\"half\r\n"
                                                "Equals=a=b\r\n"
                                                "Empty=\r\n"
                                                "[Other]\r\n"
                                                "Plain=other section\r\n");
    const auto read = [&](std::string_view section, std::string_view key) {
        return ReadProfileString(file, section, key, "DEFAULT");
    };
    EXPECT_EQ(read("menu", "PLAIN"), "Open file");
    EXPECT_EQ(read("Menu", "SPACED KEY"), "padded value");
    EXPECT_EQ(read("Menu", "Commented"), "DEFAULT");
    EXPECT_EQ(read("HIDDEN", "Plain"), "DEFAULT");
    EXPECT_EQ(read("Menu", "Quoted"), "  keeps blanks  ");
    EXPECT_EQ(read("Menu", "Single"), " x ");
    EXPECT_EQ(read("Menu", "Unmatched"), "\"half");
    EXPECT_EQ(read("Menu", "Equals"), "a=b");
    EXPECT_EQ(read("Menu", "Empty"), "");
    EXPECT_EQ(read("Other", "Plain"), "other section");
    EXPECT_EQ(read("Menu", "Missing"), "DEFAULT");
    EXPECT_EQ(read("Missing", "Plain"), "DEFAULT");
    EXPECT_EQ(ReadProfileString(dir.File("none.ini"), "Menu", "Plain", "DEFAULT"), "DEFAULT");
}

TEST(Profile, MalformedLinesAndDuplicates)
{
    TempDir dir;
    const std::string file = dir.Write("a.ini", "Key=before any section\n"
                                                "[S]\n"
                                                "Key=first\n"
                                                "KEY=second\n"
                                                "no equals sign\n"
                                                "[broken\n"
                                                "Later=still in S\n"
                                                "[s]\n"
                                                "Only=in the second S\n");
    EXPECT_EQ(ReadProfileString(file, "S", "Key", "-"), "first");
    EXPECT_EQ(ReadProfileString(file, "S", "Later", "-"), "still in S");
    EXPECT_EQ(ReadProfileString(file, "S", "Only", "-"), "-");
    EXPECT_EQ(ReadProfileString(file, "", "Key", "-"), "-");
    // A byte order mark is not part of the first section's name.
    const std::string marked = dir.Write("b.ini", "\xEF\xBB\xBF[S]\nKey=v\n");
    EXPECT_EQ(ReadProfileString(marked, "S", "Key", "-"), "v");
}

TEST(Profile, ValuesAreCutAt511BytesOnWholeCharacters)
{
    TempDir dir;
    const std::string ascii(600, 'a');
    const std::string twoByte = std::string(510, 'b') + "\xC3\xA9" + "tail";      // é over the cut
    const std::string fourByte = std::string(509, 'c') + "\xF0\x9F\x98\x80" + "x";  // emoji over the cut
    const std::string fits = std::string(509, 'd') + "\xC3\xA9" + "tail";          // é ends at the cut
    const std::string file = dir.Write("a.ini", "[S]\nA=" + ascii + "\nB=" + twoByte + "\nC=" + fourByte
                                                    + "\nD=\"" + fits + "\"\n");
    EXPECT_EQ(ReadProfileString(file, "S", "A", ""), std::string(511, 'a'));
    EXPECT_EQ(ReadProfileString(file, "S", "B", ""), std::string(510, 'b'));
    EXPECT_EQ(ReadProfileString(file, "S", "C", ""), std::string(509, 'c'));
    EXPECT_EQ(ReadProfileString(file, "S", "D", ""), std::string(509, 'd') + "\xC3\xA9");
}

TEST(Profile, WriteKeepsEveryOtherLine)
{
    TempDir dir;
    const std::string before = "; settings\r\n[A]\r\n  X = old  ; not a comment\r\nY=keep\r\n\r\n"
                               "; about B\r\n[B]\r\nZ = \"quoted\"\r\n[A]\r\nX=duplicate section stays\r\n";
    const std::string file = dir.Write("a.ini", before);
    std::string error;

    ASSERT_TRUE(WriteProfileString(file, "a", "x", "new", error)) << error;
    std::string expected = before;
    expected.replace(expected.find("  X = old  ; not a comment"), 26, "x=new");
    EXPECT_EQ(TempDir::Read(file), expected);

    // A new key goes after the last entry of its section, before the blank line
    // and the comment that belong to the next section.
    ASSERT_TRUE(WriteProfileString(file, "A", "W", "added", error)) << error;
    expected.insert(expected.find("Y=keep\r\n") + 8, "W=added\r\n");
    ASSERT_TRUE(WriteProfileString(file, "C", "K", "v", error)) << error;
    expected += "[C]\r\nK=v\r\n";
    EXPECT_EQ(TempDir::Read(file), expected);

    // Values that would lose blanks or quotes on reading are written quoted.
    for (const std::string value : {"  lead", "trail ", "\"q\"", "'s'", ""}) {
        ASSERT_TRUE(WriteProfileString(file, "B", "Z", value, error)) << error;
        EXPECT_EQ(ReadProfileString(file, "B", "Z", "-"), value);
    }

    const std::string open = dir.Write("open.ini", "[S]\nA=1");
    ASSERT_TRUE(WriteProfileString(open, "S", "B", "2", error)) << error;
    ASSERT_TRUE(WriteProfileString(dir.File("new.ini"), "T", "B", "2", error)) << error;
    EXPECT_EQ(TempDir::Read(open), "[S]\nA=1\nB=2\n");
    EXPECT_EQ(TempDir::Read(dir.File("new.ini")), "[T]\nB=2\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3);
}

TEST(Profile, FailedWriteLeavesTheOldFile)
{
    TempDir dir;
    std::string error;
    // Too long a name for the temporary file beside it: the replacement fails.
    const std::string file = dir.Write(std::string(250, 'n'), "[S]\nA=1\n");
    EXPECT_FALSE(WriteProfileString(file, "S", "A", "2", error));
    EXPECT_NE(error.find(file), std::string::npos);
    EXPECT_EQ(TempDir::Read(file), "[S]\nA=1\n");

    // A file that cannot be read is not replaced by one holding only the new key.
    std::filesystem::create_directory(dir.File("folder.ini"));
    EXPECT_FALSE(WriteProfileString(dir.File("folder.ini"), "S", "A", "2", error));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder.ini")));

    // Names and values that could not be read back are refused.
    EXPECT_FALSE(WriteProfileString(file, "S", "A", "two\nlines", error));
    EXPECT_FALSE(WriteProfileString(file, "S", "A=B", "v", error));
    EXPECT_FALSE(WriteProfileString(file, "S]", "A", "v", error));
    EXPECT_EQ(TempDir::Read(file), "[S]\nA=1\n");
}
