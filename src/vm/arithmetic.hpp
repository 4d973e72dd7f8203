#pragma once

#include <cstdint>

#include "bytecode/opcodes.hpp"

// The numbers of the arithmetic and comparison instructions, shared by the instructions and their
// fused runs.
namespace V4VM {

inline float doarithmetic(float a, float b, byte opcode) {
    switch (opcode) {
        case bytecode::ADD: return a + b;
        case bytecode::SUB: return a - b;
        case bytecode::MUL: return a * b;
        default: return a / b;
    }
}

inline bool docomparison(float a, float b, byte opcode) {
    switch (opcode) {
        case bytecode::GREATER: return a > b;
        case bytecode::LESS: return a < b;
        case bytecode::LESSEQ: return a <= b;
        default: return a >= b;
    }
}

enum class intfault { none, divisionbyzero, overflow };

struct intoutcome {
    std::int32_t value = 0;
    intfault fault = intfault::none;
};

// Integer arithmetic runs in single precision and is truncated toward zero.
inline intoutcome intarithmetic(std::int32_t left, std::int32_t right, byte opcode) {
    auto a = static_cast<float>(left);
    auto b = static_cast<float>(right);
    if (opcode == bytecode::DIV && b == 0) return {0, intfault::divisionbyzero};
    float result = doarithmetic(a, b, opcode);
    if (!(result > -2147483904.0f && result < 2147483648.0f)) return {0, intfault::overflow};
    return {static_cast<std::int32_t>(result), intfault::none};
}

}  // namespace V4VM
