#pragma once

#include <string_view>
#include <vector>

#include "common/bytes.hpp"
#include "common/sourcemap.hpp"
#include "compiler/compileerror.hpp"

// The one place where bytecode bytes come into being. A byte goes to the program (`code`) or, while a
// length-prefixed body is open, to the innermost open body's buffer.

// The emitted program, in emission order.
extern std::vector<byte> code;

// Where the bytes of `code` came from (see compiler/positions.hpp).
extern std::vector<positionrun> coderuns;

// Number of length-prefixed operand levels currently open. The statement compiler raises it when it
// opens a body; negatebyteoperand lowers it.
extern int asop;

// One buffer per open level that has received a byte; the top is the innermost. Each buffer remembers
// the level it was created for, so that a level that received no byte closes as an empty body instead
// of taking its parent's buffer.
struct pendingbody {
    int level = 0;
    std::vector<byte> bytes;
    std::vector<positionrun> runs;
};
extern std::vector<pendingbody> tempcode;

void addcode(byte target);
void addcode(const std::vector<byte>& target);

// 32-bit two's complement, most significant byte first.
void compileint(int target);

// The integer part truncated toward zero, then the first decimal digit. The integer part must fit in
// 32 bits.
void compilefloat(float target);

// The string's bytes and a terminating 0.
void compilestring(std::string_view target);

// Closes the innermost open level: its length, then its bytes, land in the enclosing level.
void negatebyteoperand();

// Empties code, coderuns, tempcode and asop, for running several compilations in one process.
void resetpacker();
