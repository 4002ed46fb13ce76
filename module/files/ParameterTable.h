#pragma once

#include <string>
#include <vector>

namespace veltra {

// One row of the parameter list; every cell is text, as the list shows it.
struct ParameterEntry {
    bool checked = false;  // column 0: the row takes part in a transfer
    std::string id;        // column 1: data-line number from 1
    std::string decimalAddress;  // column 2: never filled from a file
    std::string hexAddress;      // column 3: EEPROM address of the first byte, hexadecimal
    std::string name;            // column 4: may begin with a tag such as [LOG]
    std::string size;            // column 5: number of bytes, decimal
    std::string type;            // column 6: U, S, C, H or R
    std::string value;           // column 7: the value in the text form of its type
};

struct ParameterTable {
    std::vector<ParameterEntry> rows;
    // One entry per row, 0 for rows a download never writes; rebuilt only
    // after a file is read.
    std::vector<int> transferMask;
};

// The tag of a name: the text after its first character up to the first "]",
// in upper case; empty when the name has no "]".
std::string ParameterTag(const std::string& name);

// 0 for [LOG] rows and rows of type "R", else 1.
int TransferMaskOf(const ParameterEntry& entry);

void BuildTransferMask(ParameterTable& table);

}  // namespace veltra
