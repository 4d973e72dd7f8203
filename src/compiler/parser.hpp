#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/positions.hpp"

// Where each segment of each statement begins: its first character's offset in the block text.
using segmentstarts = std::vector<std::vector<std::size_t>>;

// Cuts a block into statements at line ends and each statement into segments at blanks and tabs,
// neither inside brackets, braces or quotes. Always at least one statement of at least one segment.
// Unbalanced groupings end the process: 51 (left open), 52 (a "}" or ")" closing a "["), 54. `origin`
// places the block in its file for those reports; `starts`, when given, receives the segments' starts.
std::vector<std::vector<std::string>> parse(std::string_view target, textorigin origin = {},
                                            segmentstarts* starts = nullptr);
