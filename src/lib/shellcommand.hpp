#pragma once

#include <cstdint>
#include <string>

namespace V4VM {

// Runs `command` with /bin/sh -c and waits for it; returns its exit status (0 to 255), 128 plus the
// signal that ended it, or -1 when no shell could be started. The command shares the terminal's
// signals with the run: Ctrl-C stops both, and the caller then ends the run. It gets the default
// action for SIGPIPE, which the run ignores only to report a closed pipe itself.
std::int32_t runshellcommand(const std::string& command);

}  // namespace V4VM
