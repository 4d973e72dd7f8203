#pragma once

#include <string>

#include "common/runsettings.hpp"

namespace V4VM {

// The path a file operation of the program uses: `path` itself, or, in a run confined to a folder
// (runsettings::confinedto), the empty path when `path` leads outside it. No file is ever found at
// the empty path, so the operation fails exactly as it does for a missing file, and its messages still
// name the path the program gave.
std::string confinedpath(const runsettings& settings, const std::string& path);

}  // namespace V4VM
