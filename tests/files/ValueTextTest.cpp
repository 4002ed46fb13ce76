#include "ValueText.h"

#include <gtest/gtest.h>

using Bytes = std::vector<uint8_t>;
using veltra::BytesToValueText;
using veltra::ValueTextToBytes;

TEST(ValueText, UploadTextByType)
{
    EXPECT_EQ(BytesToValueText("U", {0x01, 0x02}), "258");
    EXPECT_EQ(BytesToValueText("S", {0xFF}), "-1");
    EXPECT_EQ(BytesToValueText("S", {0xFF, 0x38}), "-200");
    EXPECT_EQ(BytesToValueText("S", {0x80, 0x00, 0x00, 0x00}), "-2147483648");
    EXPECT_EQ(BytesToValueText("H", {0x0A, 0xB0, 0xFF}), "0x0ab0ff");
    EXPECT_EQ(BytesToValueText("C", {0x41, 0x42, 0xFF, 0xFF}), "AB");
    EXPECT_EQ(BytesToValueText("C", {0x41, 0x00, 0x42}), "AB");
    // U of four bytes at or above 2^31 shows unsigned.
    EXPECT_EQ(BytesToValueText("U", {0x80, 0x00, 0x00, 0x00}), "2147483648");
    EXPECT_EQ(BytesToValueText("U", {0xFF, 0xFF, 0xFF, 0xFF}), "4294967295");
    // Sizes other than 1, 2 and 4 for numbers, R and unknown types are empty.
    EXPECT_EQ(BytesToValueText("U", {1, 2, 3}), "");
    EXPECT_EQ(BytesToValueText("R", {1}), "");
    EXPECT_EQ(BytesToValueText("X", {1}), "");
}

TEST(ValueText, DownloadBytesByType)
{
    EXPECT_EQ(ValueTextToBytes("C", 4, "AB"), (Bytes{0x41, 0x42, 0xFF, 0xFF}));
    EXPECT_EQ(ValueTextToBytes("U", 2, "258"), (Bytes{0x01, 0x02}));
    EXPECT_EQ(ValueTextToBytes("H", 3, "0x0ab0ff"), (Bytes{0x0A, 0xB0, 0xFF}));
    EXPECT_EQ(ValueTextToBytes("H", 3, "0x0A"), (Bytes{0x0A, 0xFF, 0xFF}));
    EXPECT_EQ(ValueTextToBytes("U", 4, "-1"), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(ValueTextToBytes("U", 4, "4294967295"), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(ValueTextToBytes("S", 2, "  -200xyz"), (Bytes{0xFF, 0x38}));
    EXPECT_EQ(ValueTextToBytes("U", 1, "abc"), (Bytes{0x00}));
    EXPECT_EQ(ValueTextToBytes("U", 2, "4294967296"), (Bytes{0x00, 0x00}));  // modulo 2^32
    // Only exactly "C" and "H" take their own forms; longer type cells give 0.
    EXPECT_EQ(ValueTextToBytes("CH", 2, "AB"), (Bytes{0x00, 0x00}));
    EXPECT_EQ(ValueTextToBytes("Hx", 1, "0x12"), (Bytes{0x00}));
    // Sizes above four keep the number in the last four bytes, sign-filled.
    EXPECT_EQ(ValueTextToBytes("U", 6, "258"), (Bytes{0, 0, 0, 0, 0x01, 0x02}));
    EXPECT_EQ(ValueTextToBytes("S", 6, "-2"), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}));
    EXPECT_TRUE(veltra::HasHexPrefix("0x1"));
    EXPECT_FALSE(veltra::HasHexPrefix("1x"));
    EXPECT_FALSE(veltra::HasHexPrefix("0X12"));
}

TEST(ValueText, UploadThenDownloadRoundTrips)
{
    const struct {
        const char* type;
        Bytes bytes;
    } cases[] = {
        {"U", {0x00}}, {"U", {0xFF}}, {"U", {0x12, 0x34}}, {"U", {0x80, 0x00, 0x00, 0x01}}, {"U", {0xFF, 0xFF, 0xFF, 0xFF}},
        {"S", {0x80}}, {"S", {0x7F, 0xFF}}, {"S", {0xFF, 0xFF, 0xFF, 0xFE}}, {"H", {0x00, 0xFF, 0x5A}},
        {"C", {'S', 'C', 'A', 'L'}},
    };
    for (const auto& c : cases) {
        const std::string text = BytesToValueText(c.type, c.bytes);
        EXPECT_EQ(ValueTextToBytes(c.type, static_cast<int>(c.bytes.size()), text), c.bytes) << c.type << " " << text;
    }
}
