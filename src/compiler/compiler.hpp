#pragma once

#include <string>

// Compiles `target` (a block of statements: a program or a module) and appends its bytecode to
// `code`. Mode 0 is ordinary code, mode 1 a class body where only `def` is allowed.
void compilecode(std::string target, int mode);
