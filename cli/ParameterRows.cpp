#include "ParameterRows.h"

#include <set>
#include <sstream>

namespace veltra::cli {

bool TickRows(ParameterTable& table, const std::string& spec, const std::string& file, std::string& error)
{
    const bool all = spec == "all";
    std::set<std::string> ids;
    std::istringstream list(all ? std::string() : spec);
    // Read as numbers, so that "07" names the row with ID 7.
    for (std::string id; std::getline(list, id, ',');)
        ids.insert(std::to_string(std::stoul(id)));
    for (ParameterEntry& row : table.rows)
        row.checked = all || ids.erase(row.id) > 0;
    if (!ids.empty()) {
        error = "no row with ID " + *ids.begin() + " in " + file;
        return false;
    }
    return true;
}

}  // namespace veltra::cli
