#pragma once

#include "compiler/compilation.hpp"

// Compiles the file `origin` names (a program or a module: a block of statements) into the
// compilation's writer. Fails by throwing (compileerror.hpp).
void compileprogram(compilation& c, textorigin origin);
