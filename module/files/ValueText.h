#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltra {

// Reads a decimal number the way a download does: leading white space skipped,
// one optional sign, digits up to the first other character, accumulated modulo
// 2^32 (so "-1" and "4294967295" are the same); no digits gives 0.
uint32_t ParseDecimalModulo32(const std::string& text);

// The text a row shows after an upload, from its EEPROM bytes (most
// significant first): U and S of size 1, 2 or 4 in decimal (U of size 4 as an
// unsigned number), C as characters without 0x00 and 0xFF, H as "0x" and two
// lower-case digits per byte; anything else is empty.
std::string BytesToValueText(const std::string& typeCell, const std::vector<uint8_t>& bytes);

// Whether an H value can be sent: it must begin with "0x".
bool HasHexPrefix(const std::string& value);

// Byte k (0-based) of a row's value for a download of `size` bytes.
//  - type exactly "C": character k of the text, 0xFF past its end;
//  - type exactly "H": the hexadecimal pair after "0x" at 2+2k, 0xFF past its end;
//  - type starting with C or H but longer: 0x00;
//  - any other type: the decimal number, most significant byte first. A size
//    above 4 keeps the number in the last four bytes and fills the ones before
//    with its sign (0xFF for a negative text, else 0x00), so nothing repeats.
uint8_t ValueTextByte(const std::string& typeCell, int size, const std::string& value, int k);

// Why a download could not write `value` into a row of `typeCell` and `size`
// bytes so that the bytes mean what the text says; empty when it can.
//  - U and S: a whole number (blanks around it allowed) within the size's
//    range: U 0 to 2^(8 size)-1, S -2^(8 size-1) to 2^(8 size-1)-1; above four
//    bytes the number is carried in 32 bits, so U up to 2^32-1 and S within
//    +-(2^32-1);
//  - H: "0x" and whole pairs of hexadecimal digits, no more pairs than bytes;
//  - C: no more characters than bytes.
// Other types are written as their conversion defines and are not judged here.
std::string ValueTextProblem(const std::string& typeCell, int size, const std::string& value);

// All `size` bytes of a row's value for a download.
std::vector<uint8_t> ValueTextToBytes(const std::string& typeCell, int size, const std::string& value);

}  // namespace veltra
