#include "ParameterFile.h"
#include "RomImage.h"
#include "ValueText.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <set>

// The parameter file shipped as the default must describe a real module: rows
// inside the 512-byte EEPROM that never overlap, values that survive the trip
// into the module and back, and the test record kept out of downloads.
TEST(DefaultParameterFile, DescribesTheModuleEeprom)
{
    veltra::ParameterTable table;
    std::string error;
    ASSERT_EQ(veltra::LoadParameterFile(VELTRA_SOURCE_DIR "/Data/VELTRA_EEPROM_DATA_SIGN.vtp", table, error),
              veltra::ParameterLoadStatus::Loaded);
    EXPECT_GE(table.rows.size(), 40u);

    std::set<std::string> kinds;
    uint32_t nextFree = 0;
    int testRecordRows = 0;
    for (size_t i = 0; i < table.rows.size(); ++i) {
        const veltra::ParameterEntry& row = table.rows[i];
        const uint32_t address = veltra::HexField(row.hexAddress);
        const int size = std::stoi(row.size);
        SCOPED_TRACE(row.name);
        EXPECT_GE(address, nextFree) << "overlaps the row before";
        EXPECT_LE(address + static_cast<uint32_t>(size), 512u);
        nextFree = address + static_cast<uint32_t>(size);
        kinds.insert(row.type == "U" ? "U" + row.size : row.type);
        if (row.type != "R") {
            const std::vector<uint8_t> bytes = veltra::ValueTextToBytes(row.type, size, row.value);
            EXPECT_EQ(veltra::BytesToValueText(row.type, bytes), row.value);
        }
        if (address >= 464 && address <= 467) {
            EXPECT_EQ(table.transferMask[i], 0);
            ++testRecordRows;
        }
    }
    EXPECT_EQ(testRecordRows, 4);
    for (const char* kind : {"U1", "U2", "U4", "S", "C", "H", "R"})
        EXPECT_TRUE(kinds.count(kind)) << kind;
    EXPECT_GE(std::count(table.transferMask.begin(), table.transferMask.end(), 0), 6);
}
