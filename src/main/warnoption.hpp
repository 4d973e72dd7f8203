#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// vesk -w FILE (--warn): compile only and report the traps the program falls into, one warning a line
// on standard error.

bool iswarnoption(std::string_view argument);

// Prints the warnings about the program `source`, read from `path`; returns how many there were.
std::size_t printwarnings(const std::string& source, const std::string& path);

// The whole of vesk -w FILE. Ends the process: 0 without warnings, 1 with warnings, 2 when the program
// does not compile (after the compiler's report).
[[noreturn]] void warnonly(const std::string& path);
