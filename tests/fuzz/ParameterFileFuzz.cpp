// Any bytes as a parameter file: reading, the value conversions of every row
// and writing the table back must stay within bounds, and what is written must
// read back to the same number of rows.
#include "ParameterFile.h"
#include "ValueText.h"

#include <cstdlib>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    veltra::ParameterTable table;
    std::string error;
    if (veltra::ReadParameterStream(in, "fuzz.vtp", table, error) != veltra::ParameterLoadStatus::Loaded)
        return 0;
    for (const veltra::ParameterEntry& row : table.rows) {
        const int size8 = static_cast<int>(row.size.size() % 9);
        const std::vector<uint8_t> bytes = veltra::ValueTextToBytes(row.type, size8, row.value);
        veltra::BytesToValueText(row.type, bytes);
    }
    std::istringstream again(veltra::FormatParameterFile(table, {2026, 1, 1}));
    veltra::ParameterTable reread;
    if (veltra::ReadParameterStream(again, "again.vtp", reread, error) != veltra::ParameterLoadStatus::Loaded)
        return 0;
    // Every row that holds something comes back; rows of only commas vanish.
    if (reread.rows.size() > table.rows.size())
        std::abort();
    return 0;
}
