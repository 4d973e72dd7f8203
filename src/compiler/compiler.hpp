#pragma once

#include <string>

#include "common/sourcemap.hpp"

// Compiles `target` (a block of statements: a program or a module) and appends its bytecode to
// `code`. Mode 0 is ordinary code, mode 1 a class body where only `def` is allowed. The bytes get no
// source positions.
void compilecode(std::string target, int mode);

// Compiles the program `text` read from the file `name` into `code` and returns where each of its
// bytes came from. A compilation of its own: the packer and the compiled files start empty.
sourcemap compilesource(const std::string& name, std::string text);
