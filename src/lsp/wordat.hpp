#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The name a position stands on or after, as the editor asks about it.

struct wordat {
    std::string name;
    bool member = false;   // after a "." or an "@": a member's name, not a variable's
    std::size_t column = 0;  // the byte where the name starts
};

// The whole name under byte `column` of the line (or just before it, at its end).
std::optional<wordat> wordunder(std::string_view line, std::size_t column);

// The part of a name before byte `column`, for completing it; empty after a blank or an operator.
wordat wordbefore(std::string_view line, std::size_t column);
