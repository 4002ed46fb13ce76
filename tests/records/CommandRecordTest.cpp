#include "CommandRecord.h"

#include <gtest/gtest.h>

namespace {

std::string Hex(const std::string& bytes)
{
    std::string text;
    char pair[4];
    for (const char c : bytes) {
        std::snprintf(pair, sizeof pair, "%02X ", static_cast<unsigned char>(c));
        text += pair;
    }
    if (!text.empty())
        text.pop_back();
    return text;
}

}  // namespace

TEST(CommandRecord, FixedRecordsCarryTheirOwnChecksums)
{
    for (const std::string_view record : {veltra::kEraseRecord, veltra::kBlankCheckRecord,
                                          veltra::kFirstReadBackRecord, veltra::FinalisationRecord(0),
                                          veltra::FinalisationRecord(1), veltra::FinalisationRecord(2),
                                          veltra::FinalisationRecord(3)}) {
        const size_t body = record.size() - 2;
        EXPECT_EQ(veltra::HexRecordChecksum(record, body), veltra::HexField(record.substr(body))) << record;
    }
    EXPECT_EQ(veltra::FinalisationRecord(0), ":03000003060000F4");
    EXPECT_EQ(veltra::FinalisationRecord(1), ":030000030A0400EC");
    EXPECT_EQ(veltra::FinalisationRecord(2), ":030000030A0400EC");
    EXPECT_EQ(veltra::FinalisationRecord(3), ":030000030A0800E8");
}

TEST(CommandRecord, BuiltTextRecords)
{
    EXPECT_EQ(veltra::BuildReadBackRecord(0x0400, 0x07FF), ":05000004040007FF00ED");
    EXPECT_EQ(veltra::BuildReadBackRecord(0x0000, 0x03FF), veltra::kFirstReadBackRecord);
    EXPECT_EQ(veltra::BuildReadBackRecord(0x8000, 0x7FFF).size(), 21u);

    veltra::RomImage image;  // all 0xFF
    const std::string full = veltra::BuildProgramRecord(image, 0x0000, 128);
    EXPECT_EQ(full, ":80000000" + std::string(256, 'F') + "00");
    EXPECT_EQ(full.size(), 267u);

    image.bytes[0x0100] = 0x3C;
    EXPECT_EQ(veltra::BuildProgramRecord(image, 0x0100, 1), ":010100003CC2");
    image.bytes[0xFFFE] = 0x12;
    image.bytes[0xFFFF] = 0x34;
    EXPECT_EQ(veltra::BuildProgramRecord(image, 0xFFFE, 2), ":02FFFE001234BB");
}

TEST(CommandRecord, ApplicationFrames)
{
    EXPECT_EQ(Hex(veltra::BuildEepromRead(464)), "1B 45 52 00 00 01 D0 C6 0D");
    EXPECT_EQ(Hex(veltra::BuildEepromWrite(509, 0xAA)), "1B 45 57 00 00 01 FD 00 00 00 AA 44 0D");
    EXPECT_EQ(Hex(veltra::BuildInitialEraseRequest()), "1B 44 52 00 00 00 64 72 0D");
    const char* tests[] = {"1B 54 52 00 00 00 01 07 0D", "1B 54 52 00 00 00 02 04 0D", "1B 54 52 00 00 00 03 05 0D",
                           "1B 54 52 00 00 00 04 02 0D", "1B 54 52 00 00 00 05 03 0D", "1B 54 52 00 00 00 06 00 0D",
                           "1B 54 52 00 00 00 07 01 0D", "1B 54 52 00 00 00 08 0E 0D"};
    for (uint32_t item = 1; item <= 8; ++item)
        EXPECT_EQ(Hex(veltra::BuildTestRequest(item)), tests[item - 1]);
}

TEST(CommandRecord, ReadBackReplyLengths)
{
    EXPECT_EQ(veltra::ReadBackReplyLength(2048), 2519u);
    EXPECT_EQ(veltra::ReadBackReplyLength(1024), 1271u);
    EXPECT_EQ(veltra::ReadBackReplyLength(0), 23u);
    EXPECT_EQ(veltra::ReadBackReplyLength(2), 32u);  // one short line
}
