#pragma once

#include <ostream>
#include <vector>

#include "common/bytes.hpp"
#include "common/runsettings.hpp"

// Writes the program's bytes from the last to the first (the order the machine once pushed them in),
// each in lower-case hexadecimal followed by a blank, and leaves `out` in hexadecimal mode.
void listcode(std::ostream& out, const std::vector<byte>& program);

// Loads the compiled program (bytes in execution order) into the machine, runs it to its end and
// returns the exit status. A run that is not quiet prints its progress and the bytes, last one first.
int runprogram(const std::vector<byte>& program, const runsettings& reporting);
