#pragma once

#include "compiler/outcome.hpp"
#include "main/options.hpp"

// vesk -w FILE (--warn): compile only and print the traps the program falls into, one warning a line
// on standard error; with -l as well, the listing follows on standard output. `result` is the
// compilation of chosen.file with its warnings. Ends the process: 0 without warnings, 1 with warnings,
// 2 when the program does not compile (after its compile error, in the short form).
[[noreturn]] void warnonly(const options& chosen, const compileoutcome& result);
