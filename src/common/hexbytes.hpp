#pragma once

#include <string>

#include "common/bytes.hpp"

// A byte as the listing and the error report's code dump show it: lower-case hexadecimal without
// leading zeros, then a blank.
inline void appendhexbyte(std::string& text, byte value) {
    static constexpr char digits[] = "0123456789abcdef";
    if (value >= 16) text += digits[value >> 4];
    text += digits[value & 15];
    text += ' ';
}
