#include "ParameterTable.h"

#include <cctype>

namespace veltra {

std::string ParameterTag(const std::string& name)
{
    const size_t close = name.find(']');
    if (close == std::string::npos || close == 0)
        return {};
    std::string tag = name.substr(1, close - 1);
    for (char& c : tag)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return tag;
}

int TransferMaskOf(const ParameterEntry& entry)
{
    return (ParameterTag(entry.name) == "LOG" || entry.type == "R") ? 0 : 1;
}

void BuildTransferMask(ParameterTable& table)
{
    table.transferMask.clear();
    table.transferMask.reserve(table.rows.size());
    for (const ParameterEntry& row : table.rows)
        table.transferMask.push_back(TransferMaskOf(row));
}

}  // namespace veltra
