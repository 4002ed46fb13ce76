#include "BadInput.h"
#include "RomImage.h"
#include "TempDir.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

using veltra::RomImage;
using veltra::RomLoadResult;
using veltra::testing::TempDir;

namespace {

// A 16-byte data record at `address` with the right checksum.
std::string Record(unsigned address, unsigned count = 16)
{
    char text[600];
    int n = std::snprintf(text, sizeof text, ":%02X%04X00", count, address);
    unsigned sum = count + (address >> 8) + (address & 0xFF);
    for (unsigned k = 0; k < count; ++k) {
        n += std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "%02X", k);
        sum += k;
    }
    std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return text;
}

const std::string kEnd = ":00000001FF\n";

// An image that a good file has filled, to see that refusals leave it alone.
class HexBadInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(veltra::LoadRomFile(image, dir.Write("good.hex", Record(0x0100) + "\n" + kEnd)).ok);
        before = image;
    }

    // Loads `path`, which must be refused with a message naming it and
    // holding `expected`, the image left as the good file made it.
    void ExpectRefused(const std::string& path, const std::string& expected)
    {
        const RomLoadResult result = veltra::LoadRomFile(image, path);
        EXPECT_FALSE(result.ok) << path;
        EXPECT_EQ(result.message.rfind(path, 0), 0u) << result.message;
        EXPECT_NE(result.message.find(expected), std::string::npos) << result.message;
        EXPECT_EQ(image.bytes, before.bytes) << path;
        EXPECT_EQ(image.lastAddress, before.lastAddress) << path;
        EXPECT_EQ(image.loaded, 1);
    }

    TempDir dir;
    RomImage image;
    RomImage before;
};

}  // namespace

TEST_F(HexBadInput, BinaryJunkIsRefusedAtItsFirstLine)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const std::string junk = veltra::testing::Junk(seed, 4096);
        ExpectRefused(dir.Write("junk.hex", junk), "line ");
        if (junk.front() == '\n' || junk.front() == '\r')
            continue;  // it would begin with a blank line, which is skipped
        ExpectRefused(dir.Write("late.hex", Record(0x0000) + "\r\n" + Record(0x0010) + "\r\n" + junk), "line 3 ");
    }
    // Bytes a text editor would not show are named by value.
    ExpectRefused(dir.Write("nul.hex", Record(0x0000) + "\n:10" + '\0' + "000000\n"), "line 2 holds byte 0x00 at column 4");
    ExpectRefused(dir.Write("ff.hex", std::string("\xFF\xFE:00000001FF\n")), "line 1");
}

TEST_F(HexBadInput, GigabyteFileIsRefusedWithoutBeingReadIn)
{
    const long peakBefore = veltra::testing::PeakMemoryKiB();
    // All hole: line 1 is nothing but NULs.
    ExpectRefused(veltra::testing::SparseFile(dir, "hole.hex", "", veltra::testing::kGiB),
                  "line 1 is longer than any HEX record can be");
    // Good records, then a gigabyte of NULs where the next line should be.
    const std::string head = Record(0x0000) + "\n" + Record(0x0010) + "\n";
    ExpectRefused(veltra::testing::SparseFile(dir, "tail.hex", head, veltra::testing::kGiB),
                  "line 3 is longer than any HEX record can be");
    EXPECT_LT(veltra::testing::PeakMemoryKiB() - peakBefore, 64 * 1024);
}

TEST_F(HexBadInput, MillionCharacterLinesAreRefused)
{
    const std::string million = ":" + std::string(999999, 'F');
    ExpectRefused(dir.Write("long.hex", Record(0x0000) + "\n" + million + "\n" + kEnd),
                  "line 2 is longer than any HEX record can be");
    // The same without any line end, and made of blanks that trimming would
    // otherwise have taken away.
    ExpectRefused(dir.Write("one-line.hex", million), "line 1 is longer");
    ExpectRefused(dir.Write("blanks.hex", kEnd + std::string(1000000, ' ')), "line 2 is longer");
}

TEST_F(HexBadInput, RecordsPastTheTopOfTheImage)
{
    RomImage top;
    ASSERT_TRUE(veltra::LoadRomFile(top, dir.Write("top.hex", Record(0xFFFF, 1) + "\n" + kEnd)).ok);
    EXPECT_EQ(top.lastAddress, 0xFFFFu);
    ASSERT_TRUE(veltra::LoadRomFile(top, dir.Write("full.hex", Record(0xFF01, 255) + "\n" + kEnd)).ok);
    EXPECT_EQ(top.lastAddress, 0xFFFFu);

    ExpectRefused(dir.Write("two.hex", Record(0xFFFF, 2) + "\n"), "from FFFF to 10000, beyond the 64 KiB image");
    ExpectRefused(dir.Write("wide.hex", Record(0xFF02, 255) + "\n"), "from FF02 to 10000");
    // An end record that carries data is held to the same bound.
    ExpectRefused(dir.Write("end.hex", ":02FFFF01AABB9A\n"), "beyond the 64 KiB image");
}

TEST_F(HexBadInput, EveryOtherMalformation)
{
    const struct {
        const char* name;
        std::string text;
        const char* expected;
    } cases[] = {
        {"empty.hex", "", "holds no HEX records"},
        {"blank.hex", "\n\r\n \t\n", "holds no HEX records"},
        {"mark.hex", ":\n", "line 1 is too short for a record"},
        {"cut.hex", kEnd + Record(0x0000).substr(0, 20), "line 2 is too short for its count of 16"},
        {"two-marks.hex", ":00000001FF:00000001FF\n", "':' at column 12"},
        {"space.hex", ":10 0000000\n", "byte 0x20 at column 4"},
        {"wide-ext.hex", ":0400000400000000F8\n", "extended-address record that does not hold 2 bytes"},
        {"cr-inside.hex", ":000000\r01FF\n", "byte 0x0D at column 8"},
    };
    for (const auto& c : cases)
        ExpectRefused(dir.Write(c.name, c.text), c.expected);

    // What a file dialog can be given that is no file at all.
    ExpectRefused(dir.Path().string(), "Is a directory");
    const std::string fifo = dir.File("fifo.hex");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ExpectRefused(fifo, "is not a regular file");
    ExpectRefused(dir.File("missing.hex"), "No such file or directory");
    if (veltra::testing::CanMakeUnreadableFiles()) {
        const std::string locked = dir.Write("locked.hex", kEnd);
        ::chmod(locked.c_str(), 0);
        ExpectRefused(locked, "Permission denied");
    }
}
