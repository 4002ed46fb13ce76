#include "ParameterFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using veltra::ParameterLoadStatus;
using veltra::ParameterTable;
using veltra::testing::TempDir;

namespace {

ParameterTable Load(const TempDir& dir, const std::string& text)
{
    ParameterTable table;
    std::string error;
    EXPECT_EQ(veltra::LoadParameterFile(dir.Write("p.vtp", text), table, error), ParameterLoadStatus::Loaded) << error;
    return table;
}

}  // namespace

TEST(ParameterFile, TokeniserDropsEmptyFieldsIntoColumnsThreeToSeven)
{
    TempDir dir;
    const ParameterTable table = Load(dir,
                                      "# comment\r\n"
                                      ",0010,[SYS] Weight unit,1,U,2\r\n"
                                      "0010,[SYS] Weight unit,1,U,2\r\n"
                                      ",0010,,1,U,2\r\n"
                                      ",0020,[SYS] Model,4,C,\r\n"
                                      "\r\n"
                                      ",0030,Name,1,U,5,extra,fields\n");
    ASSERT_EQ(table.rows.size(), 6u);
    const auto& a = table.rows[0];
    EXPECT_EQ(a.id, "1");
    EXPECT_EQ(a.decimalAddress, "");
    EXPECT_EQ(a.hexAddress, "0010");
    EXPECT_EQ(a.name, "[SYS] Weight unit");
    EXPECT_EQ(a.size, "1");
    EXPECT_EQ(a.type, "U");
    EXPECT_EQ(a.value, "2");
    EXPECT_FALSE(a.checked);
    EXPECT_EQ(table.rows[1].hexAddress, "0010");
    EXPECT_EQ(table.rows[1].value, "2");
    // The empty name vanishes and every later field moves one column left.
    EXPECT_EQ(table.rows[2].name, "1");
    EXPECT_EQ(table.rows[2].size, "U");
    EXPECT_EQ(table.rows[2].type, "2");
    EXPECT_EQ(table.rows[2].value, "");
    EXPECT_EQ(table.rows[3].type, "C");
    EXPECT_EQ(table.rows[3].value, "");
    // An empty line is a row holding only its number.
    EXPECT_EQ(table.rows[4].id, "5");
    EXPECT_EQ(table.rows[4].hexAddress, "");
    EXPECT_EQ(table.rows[5].value, "5");
    EXPECT_EQ(table.transferMask.size(), 6u);
}

TEST(ParameterFile, TransferMaskSkipsLogAndReservedRows)
{
    TempDir dir;
    const ParameterTable table = Load(dir,
                                      ",0010,[log] Test year,1,U,8\n"
                                      ",0011,Spare,2,R,\n"
                                      ",0013,LOG without bracket,1,U,1\n"
                                      ",0014,[SYS] Unit,1,Rx,1\n"
                                      ",0015,[LOG],1,U,1\n");
    EXPECT_EQ(table.transferMask, (std::vector<int>{0, 0, 1, 1, 0}));
    EXPECT_EQ(veltra::ParameterTag("[log] x"), "LOG");
    EXPECT_EQ(veltra::ParameterTag("no tag"), "");
}

TEST(ParameterFile, CommentsOnlyOrMissingFile)
{
    TempDir dir;
    ParameterTable table = Load(dir, "# a\n# b\n");
    EXPECT_TRUE(table.rows.empty());
    EXPECT_TRUE(table.transferMask.empty());

    // A file that cannot be opened leaves the rows as they were.
    table = Load(dir, ",0010,A,1,U,1\n");
    std::string error;
    EXPECT_EQ(veltra::LoadParameterFile(dir.File("missing.vtp"), table, error), ParameterLoadStatus::CannotOpen);
    EXPECT_EQ(table.rows.size(), 1u);

    // A line far too long for a parameter file is refused with its number.
    const std::string path = dir.Write("long.vtp", ",0010,A,1,U,1\n" + std::string(100000, 'x') + "\n");
    EXPECT_EQ(veltra::LoadParameterFile(path, table, error), ParameterLoadStatus::ReadError);
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
}

TEST(ParameterFile, SaveWritesHeaderAndRowsThatReadBackTheSame)
{
    TempDir dir;
    const std::string line = ",0010,[SYS] Weight unit,1,U,2";
    ParameterTable table = Load(dir, line + "\r\n,0020,[SYS] Model,4,C,\r\n");
    const std::string text = veltra::FormatParameterFile(table, {2008, 5, 3});
    EXPECT_EQ(text,
              "# Last Updated : 2008.5.3\r\n"
              "# This file includes follows Data\r\n"
              "# Data Address(Dec and Hex format), Parameter Name, Data Size, Data\r\n"
              "# DEC,HEX,Name,Size,Data,Type\r\n"
              "# Data Type : U - Unsigned, S - Singed, C - Character String, H - Hex String(Hex Code String), R - "
              "RESERVED\r\n" +
                  line + "\r\n,0020,[SYS] Model,4,C,\r\n");

    // Long rows are written whole.
    table.rows[0].value = std::string(3000, '7');
    veltra::SetUtcClockForTesting([] { return veltra::CalendarDate{2026, 12, 31}; });
    std::string error;
    const std::string path = dir.File("saved.vtp");
    ASSERT_TRUE(veltra::SaveParameterFile(path, table, error)) << error;
    veltra::SetUtcClockForTesting({});
    EXPECT_EQ(TempDir::Read(path).rfind("# Last Updated : 2026.12.31\r\n", 0), 0u);

    ParameterTable again;
    ASSERT_EQ(veltra::LoadParameterFile(path, again, error), ParameterLoadStatus::Loaded);
    ASSERT_EQ(again.rows.size(), table.rows.size());
    for (size_t i = 0; i < table.rows.size(); ++i) {
        EXPECT_EQ(again.rows[i].hexAddress, table.rows[i].hexAddress);
        EXPECT_EQ(again.rows[i].name, table.rows[i].name);
        EXPECT_EQ(again.rows[i].size, table.rows[i].size);
        EXPECT_EQ(again.rows[i].type, table.rows[i].type);
        EXPECT_EQ(again.rows[i].value, table.rows[i].value);
    }
}

TEST(ParameterFile, FailedSaveKeepsThePreviousFile)
{
    TempDir dir;
    const ParameterTable table = Load(dir, ",0010,A,1,U,1\n");
    std::string error;
    EXPECT_FALSE(veltra::SaveParameterFile(dir.File("no/folder/x.vtp"), table, error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos);

    // A folder in the file's place cannot be replaced; what it holds stays.
    dir.Write("taken.vtp/inside", "previous");
    EXPECT_FALSE(veltra::SaveParameterFile(dir.File("taken.vtp"), table, error));
    EXPECT_EQ(TempDir::Read(dir.File("taken.vtp/inside")), "previous");
}
