#pragma once

#include <vector>

#include "common/bytes.hpp"
#include "common/runsettings.hpp"

// The virtual machine as the driver sees it.
namespace V4VM {

// Runs `program` (bytes in execution order) on a fresh machine with the program root's built-ins,
// prints the finish line or the error report as `settings` asks, closes every file the program left
// open and returns the exit status.
int runprogram(const std::vector<byte>& program, const runsettings& settings = {});

}  // namespace V4VM
