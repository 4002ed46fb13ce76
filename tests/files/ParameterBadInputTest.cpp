#include "BadInput.h"
#include "ParameterFile.h"
#include "TempDir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using veltra::ParameterLoadStatus;
using veltra::ParameterTable;
using veltra::testing::TempDir;

namespace {

ParameterLoadStatus Load(const std::string& path, ParameterTable& table, std::string& error)
{
    return veltra::LoadParameterFile(path, table, error);
}

bool SameRows(const ParameterTable& a, const ParameterTable& b)
{
    const auto same = [](const veltra::ParameterEntry& x, const veltra::ParameterEntry& y) {
        return x.checked == y.checked && x.id == y.id && x.hexAddress == y.hexAddress && x.name == y.name &&
               x.size == y.size && x.type == y.type && x.value == y.value;
    };
    return std::equal(a.rows.begin(), a.rows.end(), b.rows.begin(), b.rows.end(), same) &&
           a.transferMask == b.transferMask;
}

}  // namespace

// Nothing in a line is checked, so junk reads as rows, one per line that
// does not begin with "#", whatever bytes it holds.
TEST(ParameterBadInput, JunkReadsAsRowsOfWhatItHolds)
{
    TempDir dir;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const std::string junk = veltra::testing::Junk(seed, 8192);
        ParameterTable table;
        std::string error;
        ASSERT_EQ(Load(dir.Write("junk.vtp", junk), table, error), ParameterLoadStatus::Loaded) << error;
        size_t lines = 0;
        for (size_t start = 0; start < junk.size();) {
            const size_t end = std::min(junk.find('\n', start), junk.size());
            lines += junk[start] != '#' ? 1 : 0;
            start = end + 1;
        }
        EXPECT_EQ(table.rows.size(), lines) << seed;
        EXPECT_EQ(table.transferMask.size(), table.rows.size());
    }

    // NULs stay inside their cell; a lone CR is a row of its own.
    ParameterTable table;
    std::string error;
    const std::string nul = std::string(",00") + '\0' + "10,Na" + '\0' + "me,1,U,7\n\r\n";
    ASSERT_EQ(Load(dir.Write("nul.vtp", nul), table, error), ParameterLoadStatus::Loaded);
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[0].hexAddress, std::string("00") + '\0' + "10");
    EXPECT_EQ(table.rows[0].name, std::string("Na") + '\0' + "me");
    EXPECT_EQ(table.rows[0].value, "7");
    EXPECT_EQ(table.rows[1].hexAddress, "");
}

TEST(ParameterBadInput, OddShapesAndHugeNumbersLoadAsWritten)
{
    TempDir dir;
    ParameterTable table;
    std::string error;
    ASSERT_EQ(Load(dir.Write("full.vtp", ",0010,A,1,U,1\n"), table, error), ParameterLoadStatus::Loaded);
    // An empty file is a table without rows.
    ASSERT_EQ(Load(dir.Write("empty.vtp", ""), table, error), ParameterLoadStatus::Loaded);
    EXPECT_TRUE(table.rows.empty());
    EXPECT_TRUE(table.transferMask.empty());

    const std::string huge = "99999999999999999999999999999999";
    ASSERT_EQ(Load(dir.Write("odd.vtp", ",,,,,\n"
                                        "0010\n"
                                        ",FFFFFFFFFFFFFFFF,Big," + huge + ",U,-" + huge + "\n"
                                        "a,b,c,d,e,f,g,h,i,j\n"),
                   table, error),
              ParameterLoadStatus::Loaded);
    ASSERT_EQ(table.rows.size(), 4u);
    EXPECT_EQ(table.rows[0].id, "1");
    EXPECT_EQ(table.rows[0].hexAddress, "");
    EXPECT_EQ(table.rows[1].hexAddress, "0010");
    EXPECT_EQ(table.rows[1].name, "");
    // Numbers are text in the table; a transfer bounds them (engine tests).
    EXPECT_EQ(table.rows[2].hexAddress, "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(table.rows[2].size, huge);
    EXPECT_EQ(table.rows[2].value, "-" + huge);
    EXPECT_EQ(table.rows[3].hexAddress, "a");
    EXPECT_EQ(table.rows[3].value, "e");
    EXPECT_EQ(table.transferMask, (std::vector<int>{1, 1, 1, 1}));
}

// A file that cannot be read to its end leaves the table the user had: its
// rows, ticks, edited values and mask.
TEST(ParameterBadInput, RefusedFilesLeaveTheTableAsItWas)
{
    TempDir dir;
    ParameterTable table;
    std::string error;
    ASSERT_EQ(Load(dir.Write("good.vtp", ",0010,[LOG] Year,1,U,26\n,0011,Unit,1,U,2\n"), table, error),
              ParameterLoadStatus::Loaded);
    table.rows[1].checked = true;
    table.rows[1].value = "5";  // edited, not yet saved
    const ParameterTable before = table;

    const std::string million(1000000, 'x');
    const std::string folder = dir.File("folder.vtp");
    std::filesystem::create_directory(folder);
    const std::string fifo = dir.File("fifo.vtp");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string path;
        ParameterLoadStatus status;
        std::string expected;
    } cases[] = {
        {dir.Write("long.vtp", ",0010,A,1,U,1\n,0011,B,1,U,2\n" + million + "\n"), ParameterLoadStatus::ReadError,
         "line 3 is too long for a parameter file"},
        {dir.Write("unended.vtp", million), ParameterLoadStatus::ReadError, "line 1 is too long"},
        {veltra::testing::SparseFile(dir, "hole.vtp", ",0010,A,1,U,1\n", veltra::testing::kGiB),
         ParameterLoadStatus::CannotOpen, "is too large for a parameter file"},
        {folder, ParameterLoadStatus::CannotOpen, "Is a directory"},
        {fifo, ParameterLoadStatus::CannotOpen, "is not a regular file"},
        {dir.File("missing.vtp"), ParameterLoadStatus::CannotOpen, "No such file or directory"},
    };
    const long peakBefore = veltra::testing::PeakMemoryKiB();
    for (const auto& c : cases) {
        error.clear();
        EXPECT_EQ(Load(c.path, table, error), c.status) << c.path;
        EXPECT_EQ(error.rfind(c.path + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_TRUE(SameRows(table, before)) << c.path;
    }
    EXPECT_LT(veltra::testing::PeakMemoryKiB() - peakBefore, 64 * 1024);

    if (veltra::testing::CanMakeUnreadableFiles()) {
        const std::string locked = dir.Write("locked.vtp", ",0010,A,1,U,1\n");
        ::chmod(locked.c_str(), 0);
        EXPECT_EQ(Load(locked, table, error), ParameterLoadStatus::CannotOpen);
        EXPECT_EQ(error, locked + ": Permission denied");
        EXPECT_TRUE(SameRows(table, before));
    }
}
