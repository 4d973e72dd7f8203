#pragma once

#include <cstdint>

#include "vm/scope.hpp"
#include "vm/value.hpp"

// Entering and leaving code bodies.
namespace V4VM {

class machine;

// Bodies run as frames of the one interpreter loop: an instruction that starts one returns at once,
// and what it still has to do once the body has ended waits as a continuation (continuation.hpp).

// Calls the value on top of the data stack with the `argnum` arguments below it; `targs` holds the first
// entries of the new scope. A bytecode body only starts: it runs in the following cycles.
void callfunc(machine& vm, std::int32_t argnum, const scope& targs);

// Leaves the running body, then resumes what waited for it; leaving the program body finishes the
// program.
void exitoutoffunc(machine& vm);

// The block instructions, given their body as a function value: each starts the first pass.
void runif(machine& vm, variable* block);
void runwhile(machine& vm, variable* block);
void runfor(machine& vm, variable* block);

}  // namespace V4VM
