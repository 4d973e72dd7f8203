#pragma once

#include <array>
#include <string_view>

// The names the program root holds from the start of every run (the machine puts its built-ins there,
// in src/vm/programroot.cpp); a program sees them as plain names. The compiler's warnings count them as
// assigned.
inline constexpr std::array<std::string_view, 13> programrootnames = {
    "stdout",  "stdin",   "open",    "sizeof", "varconv", "system", "filesystem",
    "hasattr", "getattr", "setattr", "str",    "int",     "float",
};
