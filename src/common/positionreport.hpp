#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>

#include "common/sourcemap.hpp"

// How a quiet run names the place of an error, for compile and machine errors alike:
//
//     prog.VKEX:3: Local variable not found: x
//         print(str(x))
//
// The message follows "FILE:LINE: "; the source line follows on a line of its own, four blanks in and
// without its own indentation. An error with no place is "vesk: " and the message.
void reportatline(std::ostream& out, std::string_view file, std::uint32_t line, std::string_view linetext,
                  std::string_view message);

void reportwithoutplace(std::ostream& out, std::string_view message);

// The place of the byte at `position` of `positions`, or none when it is unknown.
void reportat(std::ostream& out, const sourcemap& positions, const sourceposition& position,
              std::string_view message);
