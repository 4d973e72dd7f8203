#pragma once

#include <string_view>
#include <vector>
#include <string>

// Cuts a block into statements at line ends and each statement into segments at blanks and tabs,
// neither inside brackets, braces or quotes. Always at least one statement of at least one segment.
// Unbalanced groupings end the process: 51 (left open), 52 (a "}" or ")" closing a "["), 54.
std::vector<std::vector<std::string>> parse(std::string_view target);
