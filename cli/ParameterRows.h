#pragma once

#include "ParameterTable.h"

#include <string>

namespace veltra::cli {

// Ticks the rows `spec` names, "all" or IDs separated by commas, and unticks
// the rest; false with `error` for an ID that no row of `file` has.
bool TickRows(ParameterTable& table, const std::string& spec, const std::string& file, std::string& error);

// The IDs of ticked rows that match `skip`, separated by commas.
template <typename Skip>
std::string TickedRowIds(const ParameterTable& table, Skip skip)
{
    std::string ids;
    for (const ParameterEntry& row : table.rows) {
        if (row.checked && skip(row))
            ids += (ids.empty() ? "" : ",") + row.id;
    }
    return ids;
}

}  // namespace veltra::cli
