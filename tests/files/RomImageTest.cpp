#include "RomImage.h"
#include "TempDir.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

using veltra::RomImage;
using veltra::testing::TempDir;

namespace {

// Sixteen bytes 00..0F at `address`, with the right checksum.
std::string DataRecord(unsigned address, unsigned count = 16, unsigned first = 0)
{
    char text[600];
    int n = std::snprintf(text, sizeof text, ":%02X%04X00", count, address);
    unsigned sum = count + (address >> 8) + (address & 0xFF);
    for (unsigned k = 0; k < count; ++k) {
        const unsigned b = (first + k) & 0xFF;
        n += std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "%02X", b);
        sum += b;
    }
    std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return text;
}

const std::string kEnd = ":00000001FF";

}  // namespace

TEST(RomImage, HexFieldReadsLeadingHexDigitsOfEitherCase)
{
    EXPECT_EQ(veltra::HexField("7fFf"), 0x7FFFu);
    EXPECT_EQ(veltra::HexField("1g"), 1u);
    EXPECT_EQ(veltra::HexField("zz"), 0u);
    EXPECT_EQ(veltra::HexField(""), 0u);
}

TEST(RomImage, LoadsRecordsInFileOrderWithEitherLineEnd)
{
    TempDir dir;
    RomImage lf;
    const std::string lfText = DataRecord(0x0000) + "\n" + DataRecord(0x0010, 16, 0x40) + "\n" + kEnd + "\n";
    ASSERT_TRUE(veltra::LoadRomFile(lf, dir.Write("lf.hex", lfText)).ok);
    EXPECT_EQ(lf.loaded, 1);
    EXPECT_EQ(lf.lastAddress, 0x001Fu);
    EXPECT_EQ(lf.bytes[0x05], 0x05);
    EXPECT_EQ(lf.bytes[0x10], 0x40);
    EXPECT_EQ(lf.bytes[0x20], 0xFF);

    // CR LF, lower-case digits and a last line without a line end read the same.
    RomImage crlf;
    std::string lower = DataRecord(0x0010, 16, 0x40);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string crlfText = DataRecord(0x0000) + "\r\n" + lower + "\r\n" + kEnd;
    ASSERT_TRUE(veltra::LoadRomFile(crlf, dir.Write("crlf.hex", crlfText)).ok);
    EXPECT_EQ(crlf.bytes, lf.bytes);
    EXPECT_EQ(crlf.lastAddress, lf.lastAddress);

    // Records after the end-of-file record are still read; a later record
    // overwrites an earlier one; empty lines are skipped.
    RomImage later;
    const std::string laterText = DataRecord(0x0100) + "\n\n" + kEnd + "\n" + DataRecord(0x0100, 4, 0xA0) + "\n";
    ASSERT_TRUE(veltra::LoadRomFile(later, dir.Write("later.hex", laterText)).ok);
    EXPECT_EQ(later.bytes[0x100], 0xA0);
    EXPECT_EQ(later.bytes[0x104], 0x04);
    EXPECT_EQ(later.lastAddress, 0x010Fu);
}

TEST(RomImage, LastAddressRules)
{
    TempDir dir;
    RomImage onlyEnd;
    ASSERT_TRUE(veltra::LoadRomFile(onlyEnd, dir.Write("end.hex", kEnd + "\n")).ok);
    EXPECT_EQ(onlyEnd.lastAddress, 0u);
    EXPECT_EQ(onlyEnd.loaded, 1);
    for (const uint8_t b : onlyEnd.bytes)
        ASSERT_EQ(b, 0xFF);

    // A count-0 record at A raises lastAddress to A - 1.
    RomImage empty;
    ASSERT_TRUE(veltra::LoadRomFile(empty, dir.Write("zero.hex", DataRecord(0x0200, 0) + "\n" + kEnd)).ok);
    EXPECT_EQ(empty.lastAddress, 0x01FFu);

    // A data record at address 0 counts too, so all its bytes are programmed.
    RomImage atZero;
    ASSERT_TRUE(veltra::LoadRomFile(atZero, dir.Write("zero-data.hex", DataRecord(0x0000) + "\n" + kEnd)).ok);
    EXPECT_EQ(atZero.lastAddress, 0x000Fu);

    // The very top of the image can be filled, and no further.
    RomImage top;
    ASSERT_TRUE(veltra::LoadRomFile(top, dir.Write("top.hex", DataRecord(0xFFF0) + "\n" + kEnd)).ok);
    EXPECT_EQ(top.lastAddress, 0xFFFFu);
    EXPECT_EQ(top.bytes[0xFFFF], 0x0F);
}

TEST(RomImage, SecondLoadLeavesNothingOfTheFirst)
{
    TempDir dir;
    RomImage image;
    ASSERT_TRUE(veltra::LoadRomFile(image, dir.Write("a.hex", DataRecord(0x1000) + "\n")).ok);
    ASSERT_TRUE(veltra::LoadRomFile(image, dir.Write("b.hex", DataRecord(0x0000, 2) + "\n")).ok);
    EXPECT_EQ(image.bytes[0x1000], 0xFF);
    EXPECT_EQ(image.lastAddress, 0x0001u);
}

TEST(RomImage, RefusesMalformedFilesNamingLineAndLeavingImage)
{
    TempDir dir;
    RomImage image;
    ASSERT_TRUE(veltra::LoadRomFile(image, dir.Write("good.hex", DataRecord(0x0040) + "\n" + kEnd)).ok);
    const RomImage before = image;

    std::string badChecksum = DataRecord(0x0000);
    badChecksum.back() = badChecksum.back() == '0' ? '1' : '0';
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {DataRecord(0) + "\n" + badChecksum + "\n", "line 2 has the checksum"},
        {"0100000000FF\n", "line 1 does not start with the record mark"},
        {":10000000000102\n", "line 1 is too short for its count of 16"},
        {":0100000G07F5\n", "'G' at column 9, which is not a hexadecimal digit"},
        {":0100\n", "line 1 is too short for a record"},
        {DataRecord(0) + "00\n", "characters after its checksum"},
        {DataRecord(0xFFF8) + "\n", "from FFF8 to 10007, beyond the 64 KiB image"},
        {":020000040001F9\n", "extended address 0001"},
        {":020000021000EC\n", "extended address 1000"},
        {":00000006FA\n", "unknown record type 06"},
        {std::string(5000, '0') + "\n", "longer than any HEX record"},
        {":01000000\x01\x02" "FF\n", "byte 0x01"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.Write("bad.hex", c.text);
        const veltra::RomLoadResult result = veltra::LoadRomFile(image, path);
        EXPECT_FALSE(result.ok) << c.text;
        EXPECT_NE(result.message.find(path), std::string::npos) << result.message;
        EXPECT_NE(result.message.find(c.expected), std::string::npos) << result.message;
        EXPECT_EQ(image.bytes, before.bytes);
        EXPECT_EQ(image.lastAddress, before.lastAddress);
    }

    const veltra::RomLoadResult missing = veltra::LoadRomFile(image, dir.File("missing.hex"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.errorCode, ENOENT);
    EXPECT_NE(missing.message.find("No such file or directory"), std::string::npos);
    EXPECT_FALSE(veltra::LoadRomFile(image, dir.Path().string()).ok);
    EXPECT_EQ(image.bytes, before.bytes);
}

TEST(RomImage, AcceptsZeroExtendedAndStartAddressRecords)
{
    TempDir dir;
    RomImage image;
    const std::string text = ":020000040000FA\n:020000020000FC\n:0400000300001000E9\n:0400000500001000E7\n" +
                             DataRecord(0x0000, 4) + "\n" + kEnd + "\n";
    const veltra::RomLoadResult result = veltra::LoadRomFile(image, dir.Write("ext.hex", text));
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(image.bytes[0], 0x00);
    EXPECT_EQ(image.bytes[3], 0x03);
    EXPECT_EQ(image.bytes[4], 0xFF);
}

// Random and truncated lines, valid or not, never touch memory outside the
// image (the sanitizer build would see it) and a refusal never changes it.
TEST(RomImage, RandomAndTruncatedLinesNeverEscapeTheImage)
{
    TempDir dir;
    std::mt19937 random(1234);
    const std::string alphabet = ":0123456789ABCDEFabcdefXZ \r\n\t";
    RomImage image;
    for (int round = 0; round < 400; ++round) {
        std::string text;
        const int lines = static_cast<int>(random() % 6) + 1;
        for (int i = 0; i < lines; ++i) {
            std::string line = DataRecord(random() % 0x10000, random() % 256, random() % 256);
            if (random() % 2)
                line.resize(random() % (line.size() + 1));
            if (!line.empty() && random() % 3 == 0)
                line[random() % line.size()] = alphabet[random() % alphabet.size()];
            text += line + ((random() % 4) ? "\n" : "\r\n");
        }
        const RomImage before = image;
        const veltra::RomLoadResult result = veltra::LoadRomFile(image, dir.Write("r.hex", text));
        EXPECT_LE(image.lastAddress, 0xFFFFu);
        if (!result.ok) {
            EXPECT_EQ(image.bytes, before.bytes);
            EXPECT_EQ(image.lastAddress, before.lastAddress);
        }
    }
}

TEST(RomImage, ChangeCheckFollowsTheFileOnDisk)
{
    TempDir dir;
    RomImage image;
    const std::string path = dir.Write("fw.hex", kEnd);
    ASSERT_TRUE(veltra::ReadFileTime(path, image.fileTime));
    EXPECT_TRUE(veltra::IsRomFileUnchanged(image, path));

    // Move the modification time by a single nanosecond: it still counts.
    struct timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 1}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    ASSERT_TRUE(veltra::ReadFileTime(path, image.fileTime));
    times[1].tv_nsec = 2;
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_FALSE(veltra::IsRomFileUnchanged(image, path));

    std::filesystem::remove(path);
    EXPECT_FALSE(veltra::IsRomFileUnchanged(image, path));
}
