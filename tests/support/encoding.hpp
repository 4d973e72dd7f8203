#pragma once

// Operands written byte by byte, for tests that hand bytecode to a reader of it.

#include <cstdint>
#include <string>
#include <vector>

#include "bytecode/opcodes.hpp"

namespace encoding {

using bytes = std::vector<byte>;

inline bytes operator+(bytes left, const bytes& right) {
    for (byte b : right) left.push_back(b);  // insert() trips a false array-bounds warning in GCC 12
    return left;
}

inline bytes word(std::uint32_t value) {
    return {byte(value >> 24), byte(value >> 16), byte(value >> 8), byte(value)};
}

inline bytes intop(std::int32_t value) { return bytes{bytecode::INT} + word(static_cast<std::uint32_t>(value)); }
inline bytes floatop(std::uint32_t whole, std::uint32_t fraction) {
    return bytes{bytecode::FLOAT} + word(whole) + word(fraction);
}
inline bytes stringop(const std::string& text) {
    bytes result{bytecode::STRING};
    for (char c : text) result.push_back(static_cast<byte>(c));
    result.push_back(0);
    return result;
}
inline bytes codeop(const bytes& body) {
    return bytes{bytecode::CODE} + word(static_cast<std::uint32_t>(body.size())) + body;
}

}  // namespace encoding
