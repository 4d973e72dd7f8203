#pragma once

#include <string>

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

// Per-cycle check of the frame stacks.
void integritycheck(machine& vm);

// The report of `failure` on standard error: its line, then the dumps of the code stack, the call
// trace and the data stack, which it empties; in a quiet run, the short report of errorplace.hpp.
// Standard output is flushed first, so that the two streams keep their order, and the report goes out
// in one write.
void reporterror(machine& vm, const vmerror& failure);

// The finish line on standard output (none in a quiet run); returns the exit status.
int reportfinish(machine& vm);

}  // namespace V4VM
