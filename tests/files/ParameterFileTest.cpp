#include "BadInput.h"
#include "ParameterFile.h"
#include "RomImage.h"
#include "TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>

using veltra::ParameterLoadStatus;
using veltra::ParameterTable;
using veltra::testing::TempDir;

namespace {

// A row's cells from HEX# on, "|" between them, and its transfer mask.
std::string Cells(const ParameterTable& table, size_t i)
{
    const veltra::ParameterEntry& row = table.rows[i];
    return row.hexAddress + "|" + row.name + "|" + row.size + "|" + row.type + "|" + row.value + "|" +
           std::to_string(table.transferMask[i]);
}

}  // namespace

// Empty fields are dropped, so the later ones move left; nothing else in a
// line is checked, not even for NULs. [LOG] rows and R rows are never
// downloaded.
TEST(ParameterFile, ReadsEveryLineButCommentsAsARow)
{
    const std::string nul(1, '\0');
    const std::string huge = "99999999999999999999";
    const struct {
        std::string line;
        std::string cells;
    } rows[] = {
        {",0010,[SYS] Weight unit,1,U,2", "0010|[SYS] Weight unit|1|U|2|1"},
        {"0010,[SYS] Weight unit,1,U,2", "0010|[SYS] Weight unit|1|U|2|1"},
        {",0010,,1,U,2", "0010|1|U|2||1"},
        {",0020,[SYS] Model,4,C,", "0020|[SYS] Model|4|C||1"},
        {"", "|||||1"},
        {",,,,,", "|||||1"},
        {",0030,Name,1,U,5,extra,fields", "0030|Name|1|U|5|1"},
        {",FFFFFFFFFFFFFFFF,Big," + huge + ",U,-" + huge, "FFFFFFFFFFFFFFFF|Big|" + huge + "|U|-" + huge + "|1"},
        {",00" + nul + "10,Na" + nul + "me,1,U,7", "00" + nul + "10|Na" + nul + "me|1|U|7|1"},
        {",0040,[log] Test year,1,U,8", "0040|[log] Test year|1|U|8|0"},
        {",0041,[LOG],1,U,1", "0041|[LOG]|1|U|1|0"},
        {",0042,LOG without brackets,1,U,1", "0042|LOG without brackets|1|U|1|1"},
        {",0043,Spare,2,R,", "0043|Spare|2|R||0"},
        {",0045,[SYS] Unit,1,Rx,1", "0045|[SYS] Unit|1|Rx|1|1"},
    };
    // Comments in between do not count; lines end either way.
    std::string text = "# comment\r\n";
    for (size_t i = 0; i < std::size(rows); ++i)
        text += rows[i].line + (i == 3 ? "\n# another\n" : i % 2 ? "\n" : "\r\n");
    TempDir dir;
    ParameterTable table;
    std::string error;
    ASSERT_EQ(veltra::LoadParameterFile(dir.Write("p.vtp", text), table, error), ParameterLoadStatus::Loaded) << error;
    ASSERT_EQ(table.rows.size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(table.rows[i].id, std::to_string(i + 1));
        EXPECT_EQ(Cells(table, i), rows[i].cells);
    }

    // Junk too is a row per line that does not begin with "#".
    const std::string junk = veltra::testing::Junk(1, 8192);
    size_t lines = 0;
    for (size_t start = 0; start < junk.size(); start = std::min(junk.find('\n', start), junk.size()) + 1)
        lines += junk[start] != '#' ? 1 : 0;
    ASSERT_EQ(veltra::LoadParameterFile(dir.Write("junk.vtp", junk), table, error), ParameterLoadStatus::Loaded);
    EXPECT_EQ(table.rows.size(), lines);
}

// A file that cannot be read to its end is refused by name and reason without
// being taken into memory, and leaves what the loader held: the image, or the
// table with its ticks and unsaved edits. A parameter file too long in one
// line is refused through the sheet.
TEST(FileLoaders, RefuseWhatCannotBeReadAndKeepWhatTheyHeld)
{
    TempDir dir;
    const std::string head = ":00000001FF\n:00000001FF\n";
    veltra::RomImage image;
    ParameterTable table;
    std::string error;
    ASSERT_TRUE(veltra::LoadRomFile(image, dir.Write("good.hex", ":0100100042AD\n")).ok);
    ASSERT_EQ(veltra::LoadParameterFile(dir.Write("good.vtp", ",0010,[LOG] Year,1,U,26\n,0011,Unit,1,U,2\n"), table, error),
              ParameterLoadStatus::Loaded);
    table.rows[1].checked = true;
    table.rows[1].value = "5";
    const veltra::RomImage before = image;
    const std::pair<std::string, std::string> reasons[] = {
        {"No such file or directory", "No such file or directory"}, {"Is a directory", "Is a directory"},
        {"is not a regular file", "is not a regular file"},
        {"line 3 is longer than any HEX record can be", "is too large for a parameter file"},
        {"Permission denied", "Permission denied"}};
    const std::vector<std::string> paths = veltra::testing::UnreadableFiles(dir, head);
    const long peakBefore = veltra::testing::PeakMemoryKiB();
    for (size_t i = 0; i < paths.size(); ++i) {
        const veltra::RomLoadResult rom = veltra::LoadRomFile(image, paths[i]);
        ParameterTable after = table;
        EXPECT_EQ(veltra::LoadParameterFile(paths[i], after, error), ParameterLoadStatus::CannotOpen) << paths[i];
        EXPECT_FALSE(rom.ok);
        for (const auto& [message, reason] : {std::pair{rom.message, reasons[i].first}, {error, reasons[i].second}}) {
            EXPECT_EQ(message.rfind(paths[i] + ": ", 0), 0u) << message;
            EXPECT_NE(message.find(reason), std::string::npos) << message;
        }
        EXPECT_TRUE(image.bytes == before.bytes && image.lastAddress == before.lastAddress) << paths[i];
        EXPECT_TRUE(after.rows.size() == 2 && after.rows[1].checked && after.rows[1].value == "5" &&
                    after.transferMask == table.transferMask);
    }
    EXPECT_LT(veltra::testing::PeakMemoryKiB() - peakBefore, 64 * 1024);
}

TEST(ParameterFile, SaveWritesHeaderAndRowsThatReadBackTheSame)
{
    TempDir dir;
    ParameterTable table;
    std::string error;
    const std::string rows = ",0010,[SYS] Weight unit,1,U,2\r\n,0020,[SYS] Model,4,C,\r\n";
    ASSERT_EQ(veltra::LoadParameterFile(dir.Write("p.vtp", rows), table, error), ParameterLoadStatus::Loaded);
    EXPECT_EQ(veltra::FormatParameterFile(table, {2008, 5, 3}),
              "# Last Updated : 2008.5.3\r\n"
              "# This file includes follows Data\r\n"
              "# Data Address(Dec and Hex format), Parameter Name, Data Size, Data\r\n"
              "# DEC,HEX,Name,Size,Data,Type\r\n"
              "# Data Type : U - Unsigned, S - Singed, C - Character String, H - Hex String(Hex Code String), R - "
              "RESERVED\r\n" +
                  rows);

    // Dated today in UTC; long rows are written whole.
    table.rows[1].value = std::string(3000, '7');
    veltra::SetUtcClockForTesting([] { return veltra::CalendarDate{2026, 12, 31}; });
    const std::string path = dir.File("saved.vtp");
    ASSERT_TRUE(veltra::SaveParameterFile(path, table, error)) << error;
    veltra::SetUtcClockForTesting({});
    const std::string saved = TempDir::Read(path);
    EXPECT_EQ(saved.rfind("# Last Updated : 2026.12.31\r\n", 0), 0u);
    EXPECT_NE(saved.find(",0020,[SYS] Model,4,C," + table.rows[1].value + "\r\n"), std::string::npos);
}
