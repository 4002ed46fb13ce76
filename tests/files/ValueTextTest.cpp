#include "ValueText.h"

#include <gtest/gtest.h>

using Bytes = std::vector<uint8_t>;

// What an upload shows for a row's EEPROM bytes, and what a download writes
// for the text; most pairs go both ways.
TEST(ValueText, BytesAndTextByType)
{
    enum Way { Both, UploadOnly, DownloadOnly };
    const struct {
        const char* type;
        Bytes bytes;
        const char* text;
        Way way;
    } cases[] = {
        {"U", {0x00}, "0", Both}, {"U", {0x01, 0x02}, "258", Both}, {"U", {0x80, 0x00, 0x00, 0x00}, "2147483648", Both},
        {"U", {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295", Both}, {"S", {0x80}, "-128", Both}, {"S", {0x7F, 0xFF}, "32767", Both},
        {"S", {0xFF, 0x38}, "-200", Both}, {"S", {0x80, 0x00, 0x00, 0x00}, "-2147483648", Both},
        {"H", {0x0A, 0xB0, 0xFF}, "0x0ab0ff", Both}, {"C", {0x41, 0x42, 0xFF, 0xFF}, "AB", Both},
        {"C", {0x41, 0x00, 0x42}, "AB", UploadOnly},
        // Numbers of other sizes, R and unknown types show nothing.
        {"U", {1, 2, 3}, "", UploadOnly}, {"R", {1}, "", UploadOnly}, {"X", {1}, "", UploadOnly},
        {"H", {0x0A, 0xFF, 0xFF}, "0x0A", DownloadOnly},
        // Numbers are read as C reads them, modulo 2^32.
        {"U", {0xFF, 0xFF, 0xFF, 0xFF}, "-1", DownloadOnly}, {"S", {0xFF, 0x38}, "  -200xyz", DownloadOnly},
        {"U", {0x00}, "abc", DownloadOnly}, {"U", {0x00, 0x00}, "4294967296", DownloadOnly},
        // Only exactly "C" and "H" take their own forms.
        {"CH", {0x00, 0x00}, "AB", DownloadOnly}, {"Hx", {0x00}, "0x12", DownloadOnly},
        // Above four bytes the number sits in the last four, sign-filled.
        {"U", {0, 0, 0, 0, 0x01, 0x02}, "258", DownloadOnly}, {"S", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}, "-2", DownloadOnly},
    };
    for (const auto& c : cases) {
        const int size = static_cast<int>(c.bytes.size());
        EXPECT_TRUE(c.way == DownloadOnly || veltra::BytesToValueText(c.type, c.bytes) == c.text) << c.type << " " << c.text;
        EXPECT_TRUE(c.way == UploadOnly || veltra::ValueTextToBytes(c.type, size, c.text) == c.bytes) << c.type << " " << c.text;
    }

    // A download refuses values whose bytes would not mean what the text says.
    const struct {
        const char* type;
        int size;
        const char* value;
        bool fits;
    } edges[] = {
        {"U", 1, "255", true},       {"U", 1, "256", false},       {"U", 1, "-1", false},
        {"U", 4, "4294967295", true}, {"U", 6, "4294967296", false}, {"U", 2, " 12 ", true},
        {"U", 2, "12a", false},       {"U", 2, "", false},           {"S", 1, "-128", true},
        {"S", 1, "-129", false},      {"S", 2, "32768", false},      {"S", 6, "-4294967295", true},
        {"H", 2, "0x0aFF", true},     {"H", 2, "0x0a0b0c", false},   {"H", 2, "0x123", false},
        {"H", 2, "0X12", false},      {"H", 2, "0xZZ", false},       {"C", 4, "ABCD", true},
        {"C", 4, "ABCDE", false},     {"R", 1, "anything", true},
    };
    for (const auto& c : edges)
        EXPECT_EQ(veltra::ValueTextProblem(c.type, c.size, c.value).empty(), c.fits) << c.type << c.size << " " << c.value;
}
