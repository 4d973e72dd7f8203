#pragma once

#include <cstdint>
#include <string>

#include "vm/values.hpp"

// Fresh heap values of the kinds natives hand back, with their built-in methods attached.
namespace V4VM {

variable* makeint(std::int32_t value);
variable* makestring(std::string text);
variable* makelist();

}  // namespace V4VM
