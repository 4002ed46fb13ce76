#include "BadInput.h"
#include "HexRecord.h"
#include "RomImage.h"
#include "TempDir.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using veltra::RomImage;
using veltra::testing::TempDir;

namespace {

std::string Data(unsigned address, unsigned count, unsigned first = 0)
{
    return veltra::testing::HexRecord(static_cast<uint16_t>(address), 0x00, veltra::testing::Ramp(count, first));
}

const std::string kEnd = ":00000001FF";

}  // namespace

// Every file is loaded over the image the one before filled, so each case also
// shows that nothing of an earlier file stays behind.
TEST(HexFile, LoadsWhatItsRecordsSay)
{
    std::string lower = Data(0x0010, 16, 0x40);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
    const struct {
        std::string text;
        uint32_t lastAddress, probe;
        uint8_t value;
    } cases[] = {
        {Data(0x0000, 16) + "\n" + Data(0x0010, 16, 0x40) + "\n" + kEnd + "\n", 0x001F, 0x0010, 0x40},
        // CR LF, lower case and a last line without its line end read the same.
        {Data(0x0000, 16) + "\r\n" + lower + "\r\n" + kEnd, 0x001F, 0x0011, 0x41},
        // Records after the end record count, a later record overwrites an
        // earlier one, and empty lines are skipped.
        {Data(0x0100, 16) + "\n\n" + kEnd + "\n" + Data(0x0100, 4, 0xA0) + "\n", 0x010F, 0x0100, 0xA0},
        // A record of no bytes at A reaches A - 1.
        {kEnd + "\n", 0x0000, 0x0100, 0xFF}, {Data(0x0200, 0) + "\n" + kEnd, 0x01FF, 0x0000, 0xFF},
        {Data(0xFFFF, 1, 0x5A) + "\n", 0xFFFF, 0xFFFF, 0x5A}, {Data(0xFF01, 255) + "\n", 0xFFFF, 0xFFFF, 0xFE},
        // Extended and start addresses of 0 change nothing; data at 0 counts.
        {":020000040000FA\n:020000020000FC\n:0400000300001000E9\n:0400000500001000E7\n" + Data(0, 4) + "\n", 3, 4, 0xFF},
    };
    TempDir dir;
    RomImage image;
    for (const auto& c : cases) {
        const veltra::RomLoadResult result = veltra::LoadRomFile(image, dir.Write("fw.hex", c.text));
        ASSERT_TRUE(result.ok) << result.message;
        EXPECT_EQ(image.lastAddress, c.lastAddress) << c.text;
        EXPECT_EQ(image.bytes[c.probe], c.value) << c.text;
        EXPECT_EQ(image.loaded, 1);
    }
}

// A refused file is named with the line and what is wrong with it, and leaves
// the image exactly as the good file before it made it. An empty file, data
// past the top and random bytes are refused through the sheet, files that
// cannot be read below.
TEST(HexFile, RefusesWhatItCannotLoadAndChangesNothing)
{
    TempDir dir;
    RomImage image;
    ASSERT_TRUE(veltra::LoadRomFile(image, dir.Write("good.hex", Data(0x0100, 16) + "\n" + kEnd)).ok);
    const RomImage before = image;

    std::string badChecksum = Data(0x0000, 16);
    badChecksum.back() = badChecksum.back() == '0' ? '1' : '0';
    const std::string twoRecords = Data(0x0000, 16) + "\n" + Data(0x0010, 16) + "\n";
    const std::pair<std::string, std::string> cases[] = {
        {dir.Write("b.hex", "\n\r\n \t\n"), "holds no HEX records"},
        {dir.Write("c.hex", twoRecords + badChecksum + "\n"), "line 3 has the checksum"},
        {dir.Write("d.hex", "0100000000FF\n"), "line 1 does not start with the record mark"},
        {dir.Write("e.hex", ":0100\n"), "line 1 is too short for a record"},
        {dir.Write("f.hex", ":10000000000102\n"), "line 1 is too short for its count of 16"},
        {dir.Write("g.hex", Data(0, 16) + "00\n"), "line 1 has characters after its checksum"},
        {dir.Write("h.hex", ":0100000G07F5\n"), "line 1 holds 'G' at column 9, which is not a hexadecimal digit"},
        // Neither a NUL nor 0xFF ends a line or the file.
        {dir.Write("i.hex", kEnd + "\n:10" + std::string(1, '\0') + "000000\n"), "line 2 holds byte 0x00 at column 4"},
        {dir.Write("j.hex", ":10\xFF" "000000\n"), "line 1 holds byte 0xFF at column 4"},
        {dir.Write("l.hex", ":02FFFF01AABB9A\n"), "beyond the 64 KiB image"},
        {dir.Write("m.hex", ":020000040001F9\n"), "sets the extended address 0001"},
        {dir.Write("n.hex", ":0400000400000000F8\n"), "is an extended-address record that does not hold 2 bytes"},
        {dir.Write("o.hex", ":00000006FA\n"), "has the unknown record type 06"},
        // Blanks count towards a line's length before they are trimmed.
        {dir.Write("q.hex", kEnd + "\n" + std::string(1000000, ' ')), "line 2 is longer than any HEX record can be"},
    };
    const long peakBefore = veltra::testing::PeakMemoryKiB();
    for (const auto& [path, expected] : cases) {
        const veltra::RomLoadResult result = veltra::LoadRomFile(image, path);
        EXPECT_FALSE(result.ok) << path;
        EXPECT_EQ(result.message.rfind(path + ": ", 0), 0u) << result.message;
        EXPECT_NE(result.message.find(expected), std::string::npos) << result.message;
        EXPECT_TRUE(image.bytes == before.bytes && image.lastAddress == before.lastAddress) << path;
    }
    EXPECT_LT(veltra::testing::PeakMemoryKiB() - peakBefore, 64 * 1024);
}

TEST(HexFile, ChangeCheckFollowsTheFileOnDisk)
{
    TempDir dir;
    RomImage image;
    const std::string path = dir.Write("fw.hex", kEnd);
    // A modification time one nanosecond later still counts as a change.
    struct timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 1}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    ASSERT_TRUE(veltra::ReadFileTime(path, image.fileTime));
    EXPECT_TRUE(veltra::IsRomFileUnchanged(image, path));
    times[1].tv_nsec = 2;
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_FALSE(veltra::IsRomFileUnchanged(image, path));
    // A file that has gone counts as changed.
    ASSERT_TRUE(veltra::ReadFileTime(path, image.fileTime));
    std::filesystem::remove(path);
    EXPECT_FALSE(veltra::IsRomFileUnchanged(image, path));
}
