#include "AtomicFile.h"
#include "BadInput.h"
#include "Profile.h"
#include "TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using veltra::ReadProfileString;
using veltra::WriteProfileString;
using veltra::testing::TempDir;

namespace {

std::uintmax_t SizeOf(const std::string& file)
{
    return std::filesystem::is_regular_file(file) ? std::filesystem::file_size(file) : 0;
}

}  // namespace

TEST(Profile, ReadsValuesByTheFileRules)
{
    const std::string nul = std::string("Time") + '\0' + "Out";
    const std::string text = "\xEF\xBB\xBF  [ Menu ]  \r\n"
                             "; [HIDDEN] a comment is not a section\r\n"
                             "Plain=Open file\r\n"
                             "  spaced key  =  \t padded value \t \r\n"
                             ";Commented=yes\r\n"
                             "Quoted=\"  keeps blanks  \"\r\n"
                             "Single=' x '\r\n"
                             "Unmatched=\"half\r\n"
                             "Equals=a=b\r\n"
                             "Empty=\r\n"
                             "PLAIN=second\r\n"
                             "no equals sign\r\n"
                             "[broken\r\n"
                             "Later=still in Menu\r\n"
                             "[Other]\r\n"
                             "Plain=other section\r\n"
                             "[menu]\r\n"
                             "Only=in the second Menu\r\n"
                             "[Cut]\n"
                             "A=" + std::string(600, 'a') + "\n"
                             "B=" + std::string(510, 'b') + "\xC3\xA9tail\n"
                             "C=" + std::string(509, 'c') + "\xF0\x9F\x98\x80x\n"
                             "D=\"" + std::string(509, 'd') + "\xC3\xA9\"\n"
                             "F=" + nul + "\n" +
                             // Lines far longer than any buffer hide nothing after them.
                             std::string(300000, 'z') + "\n[" + std::string(300000, 'S') + "]\n"
                             "[Tail]\nAfter=the long lines\n";
    TempDir dir;
    const std::string file = dir.Write("a.ini", text);
    const struct {
        const char* section;
        const char* key;
        std::string value;
    } cases[] = {
        {"menu", "plain", "Open file"},           {"Menu", "SPACED KEY", "padded value"},
        {"Menu", "Commented", "-"},               {"HIDDEN", "Plain", "-"},
        {"Menu", "Quoted", "  keeps blanks  "},   {"Menu", "Single", " x "},
        {"Menu", "Unmatched", "\"half"},          {"Menu", "Equals", "a=b"},
        {"Menu", "Empty", ""},                    {"Menu", "Later", "still in Menu"},
        {"Other", "Plain", "other section"},      {"Menu", "Only", "-"},
        {"Menu", "Missing", "-"},                 {"Missing", "Plain", "-"},
        {"Tail", "After", "the long lines"},      {"Cut", "F", nul},
        // Values are cut at 511 bytes, never inside a character.
        {"Cut", "A", std::string(511, 'a')},      {"Cut", "B", std::string(510, 'b')},
        {"Cut", "C", std::string(509, 'c')},      {"Cut", "D", std::string(509, 'd') + "\xC3\xA9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadProfileString(file, c.section, c.key, "-"), c.value) << c.section << " " << c.key;
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

    // Values that would lose blanks or quotes on reading are written quoted;
    // names and values that could not be read back are refused.
    for (const std::string value : {"  lead", "trail ", "\"q\"", "'s'", ""}) {
        ASSERT_TRUE(WriteProfileString(file, "B", "Z", value, error)) << error;
        EXPECT_EQ(ReadProfileString(file, "B", "Z", "-"), value);
    }
    expected = TempDir::Read(file);
    EXPECT_FALSE(WriteProfileString(file, "S", "A", "two\nlines", error));
    EXPECT_FALSE(WriteProfileString(file, "S", "A=B", "v", error));
    EXPECT_FALSE(WriteProfileString(file, "S]", "A", "v", error));
    EXPECT_EQ(TempDir::Read(file), expected);

    // A last line without its end, and a file that is not there yet.
    const std::string open = dir.Write("open.ini", "[S]\nA=1");
    ASSERT_TRUE(WriteProfileString(open, "S", "B", "2", error)) << error;
    ASSERT_TRUE(WriteProfileString(dir.File("new.ini"), "T", "B", "2", error)) << error;
    EXPECT_EQ(TempDir::Read(open), "[S]\nA=1\nB=2\n");
    EXPECT_EQ(TempDir::Read(dir.File("new.ini")), "[T]\nB=2\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3);
}

// What cannot be read gives the defaults without waiting or filling memory,
// and is never replaced by a file that holds only the key written.
TEST(Profile, FilesThatCannotBeReadGiveDefaultsAndStay)
{
    TempDir dir;
    const std::string junk = veltra::testing::Junk(1, 65536);
    std::vector<std::string> files = veltra::testing::UnreadableFiles(dir, "[SET_TITLE]\nSET_CONNET=Verbinden\n");
    files.push_back(dir.File("endless.cap"));
    std::filesystem::create_symlink("/dev/zero", files.back());
    files.push_back(dir.Write("junk.cap", junk));
    const long peakBefore = veltra::testing::PeakMemoryKiB();
    for (const std::string& file : files) {
        EXPECT_EQ(ReadProfileString(file, "SET_TITLE", "SET_CONNET", "Connection"), "Connection") << file;
        // Only what is not there yet, or reads as text, may be replaced; the
        // FIFO is left out of the writes.
        const auto sizeBefore = SizeOf(file);
        const bool writable = file == files[0] || file == files.back();
        std::string error;
        if (file != files[2]) {
            EXPECT_EQ(WriteProfileString(file, "TEST", "ITEM_SETTING", "10100001", error), writable) << file;
        }
        EXPECT_TRUE(writable || SizeOf(file) == sizeBefore) << file;
    }
    EXPECT_LT(veltra::testing::PeakMemoryKiB() - peakBefore, 64 * 1024);
    EXPECT_TRUE(std::filesystem::is_directory(files[1]));
    EXPECT_EQ(TempDir::Read(files.back()).substr(0, junk.size()), junk);
    EXPECT_EQ(ReadProfileString(files.back(), "TEST", "ITEM_SETTING", "-"), "10100001");
    // The writes that failed left nothing behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), static_cast<long>(files.size()));
}

TEST(AtomicFile, ReplacesTheWholeFileOrNothing)
{
    TempDir dir;
    const std::string file = dir.Write("a.txt", "old content that is longer");
    ::chmod(file.c_str(), 0640);
    std::string error;
    ASSERT_TRUE(veltra::WriteFileAtomically(file, "new", error)) << error;
    EXPECT_EQ(TempDir::Read(file), "new");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    const std::string missingFolder = dir.File("no/such/folder/a.txt");
    EXPECT_FALSE(veltra::WriteFileAtomically(missingFolder, "x", error));
    EXPECT_EQ(error, missingFolder + ": No such file or directory");
    // A folder in the file's place cannot be replaced; what it holds stays.
    dir.Write("d/keep", "k");
    EXPECT_FALSE(veltra::WriteFileAtomically(dir.File("d"), "x", error));
    EXPECT_EQ(TempDir::Read(dir.File("d/keep")), "k");
    // No temporary file is left beside them.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}
