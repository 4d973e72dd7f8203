#pragma once

#include <ostream>
#include <vector>

#include "common/bytes.hpp"
#include "common/sourcemap.hpp"

// Prints the program (bytes in execution order) for a reader: one instruction a line with its offset,
// its name and its decoded operand; the instructions of a body indented under the instruction that
// holds it; each statement's first instruction marked with its FILE:LINE in a column on the left.
void printlisting(std::ostream& out, const std::vector<byte>& program, const sourcemap& positions);
