#pragma once

#include <string>

#include "main/options.hpp"

// vesk -w FILE (--warn): compile only and print the traps the program falls into, one warning a line
// on standard error; with -l as well, the listing follows on standard output. `source` is the program
// as read from chosen.file. Ends the process: 0 without warnings, 1 with warnings, 2 when the program
// does not compile (after its compile error, reported as configured before).
[[noreturn]] void warnonly(const options& chosen, std::string source);
