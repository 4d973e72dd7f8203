#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/interrupts.hpp"

namespace V4VM {

class machine;

// A machine error on its way to the report. Raised anywhere in the machine or its natives, it travels
// to the run loop, which prints the report from the stacks as the error left them.
struct vmerror {
    std::string message;
    bool withinmodule = false;
    bool panic = false;  // the machine's own stacks are broken: no source line can be named
};

// The program's body has ended: the run loop prints the finish line.
struct programfinished {};

// The reader of standard output has gone: the run ends quietly, as if by SIGPIPE.
struct consoleclosed {};

// Raises the machine error "VESK 4 VM error" (" within module" when raised on behalf of a native).
[[noreturn]] void error(const std::string& message, bool withinmodule = false);

// Raises the machine error "Interrupted." (never within module: the user stopped the run, not the
// native that was running) when a signal asked for the run to end.
[[noreturn]] void interrupted();
inline void raiseifinterrupted() {
    if (pendinginterrupt() != 0) [[unlikely]]
        interrupted();
}

// Per-cycle check of the frame stacks.
void integritycheck(machine& vm);

// The report of `failure` for standard error: its line, then the dumps of the code stack, the call
// trace and the data stack as the error left them; in a quiet run, the short report of errorplace.hpp.
std::string errorreport(const machine& vm, const vmerror& failure);

// The integer a finished program leaves on top of the data stack, if it leaves one: its exit code.
std::optional<std::int32_t> finishcode(const machine& vm);
// The finish line for standard output, the code in hexadecimal (none in a quiet run).
std::string finishline(const machine& vm);

}  // namespace V4VM
