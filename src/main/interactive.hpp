#pragma once

#include <optional>
#include <string>

#include "main/options.hpp"

// vesk -i [FILE] (--interactive): runs FILE's text `program` when there is one, then reads entries from
// standard input and runs each in the same machine, reporting errors as a quiet run does and going on.
// Returns the exit status: 0 when FILE and every entry ran without an error, else 1.
int runinteractive(const options& chosen, const std::optional<std::string>& program);
