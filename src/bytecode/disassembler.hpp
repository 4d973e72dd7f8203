#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/bytes.hpp"

// Reads compiled bytecode back as instructions for a listing. Any bytes at all can be read: what is no
// instruction or operand is said to be so instead of read, and reading never goes past `end`.

struct readinstruction {
    std::string text;       // the name and the decoded operand: LOADLOCAL "x", CALL 2, PUSHCONST [stack, 1]
    std::size_t next = 0;   // where the next instruction of the same body begins
    bool hasbody = false;   // the operand is a body whose instructions run from bodystart up to next
    std::size_t bodystart = 0;
};

// Reads the instruction at `offset` of a body that ends at `end` (offset < end <= code.size()). When
// its operand cannot be read, the rest of the body cannot be read as instructions: next is `end`.
readinstruction readinstructionat(const std::vector<byte>& code, std::size_t offset, std::size_t end);
