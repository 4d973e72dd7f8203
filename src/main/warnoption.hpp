#pragma once

#include <string>
#include <string_view>

// vesk -w FILE (--warn): compile only and report the traps the program falls into, one warning a line
// on standard error. Ends the process: 0 when there is none, 1 when there are, 2 when the program does
// not compile (after its error report).
bool iswarnoption(std::string_view argument);
[[noreturn]] void warnonly(const std::string& path);
