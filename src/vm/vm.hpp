#pragma once

#include <vector>

#include "common/bytes.hpp"

// The virtual machine as the driver sees it.
namespace V4VM {

// Start-up state: root scope, program root and its built-ins.
void init();

// Makes `program` (bytes in execution order) the program body at the bottom of the code stack.
void loadprogram(const std::vector<byte>& program);

// True while a code body is left to run.
bool hascode();

// Executes one instruction of the running body.
void execcycle();

// Prints the finish line and ends the process.
[[noreturn]] void exitprogram();

// Forgets all machine state, as before init.
void resetmachine();

}  // namespace V4VM
