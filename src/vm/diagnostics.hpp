#pragma once

#include <string>

namespace V4VM {

// Prints "VESK 4 VM error", " within module" when raised on behalf of a native, ": " and the message,
// dumps codestack, calltrace and datastack on standard error and ends the process with status 1.
[[noreturn]] void error(const std::string& target, bool ismodule = false);

// Per-cycle check of the frame stacks.
void integritycheck();

}  // namespace V4VM
