#pragma once

#include <cstdint>

#include "vm/scope.hpp"
#include "vm/value.hpp"

// Entering and leaving code bodies.
namespace V4VM {

class machine;

// Calls the value on top of the data stack with the `argnum` arguments below it; `targs` holds the first
// entries of the new scope. A bytecode body only starts: it runs in the following cycles.
void callfunc(machine& vm, std::int32_t argnum, const scope& targs);

// Calls `target` with `args` as its scope and `self` as receiver, and runs it to completion.
void standalonefunccall(machine& vm, variable* target, const scope& args, variable* self);

// Leaves the running body; leaving the program body finishes the program.
void exitoutoffunc(machine& vm);

// The block instructions, given their body as a function value.
void runif(machine& vm, variable* block);
void runwhile(machine& vm, variable* block);
void runfor(machine& vm, variable* block);

}  // namespace V4VM
