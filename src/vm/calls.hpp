#pragma once

#include "vm/bytecode.hpp"
#include "vm/scope.hpp"
#include "vm/values.hpp"

// Entering and leaving code bodies.
namespace V4VM {

// Most code bodies that may be running at once, the program's included ("Too many nested calls.").
inline constexpr std::size_t maxcodebodies = 10000;

// Calls the value on top of the data stack with the `argnum` arguments below it; `targs` holds the first
// entries of the new scope. A bytecode body only starts: it runs in the following cycles.
void callfunc(std::int32_t argnum, const scope& targs);

// Calls `target` with `args` as its scope and `self` as receiver, and runs it to completion.
void standalonefunccall(variable* target, const scope& args, variable* self);

// Leaves the running body; leaving the program body finishes the program.
void exitoutoffunc();

// The block instructions, their CODE operand not yet read.
void runif(codebody& bytes);
void runwhile(codebody& bytes);
void runfor(codebody& bytes);

}  // namespace V4VM
