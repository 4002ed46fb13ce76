#pragma once

#include "ParameterTable.h"

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace veltra::soak {

size_t RowAddress(const ParameterEntry& row);
size_t RowSize(const ParameterEntry& row);

// Bytes a row of its type may hold, most significant first: any number for
// U, S and H rows; letters for a C row, as many as it takes, the rest erased.
std::vector<uint8_t> RandomRowValue(const ParameterEntry& row, std::mt19937_64& random);

// A value text the row's type and size cannot hold: one past the top of its
// range, one byte or character too many.
std::string OutOfRangeValue(const ParameterEntry& row);

}  // namespace veltra::soak
