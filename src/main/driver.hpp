#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "common/bytes.hpp"

// Writes each byte in lower-case hexadecimal followed by a blank, and leaves `out` in hexadecimal mode.
void listcode(std::ostream& out, const std::vector<byte>& bytes);

// One whole run of `vesk FILE`: read, compile, load, run; returns the exit status. A run that ends
// early (usage or compile error, splitter exit) throws processended.
int runvesk(int argc, const char* const* argv);
