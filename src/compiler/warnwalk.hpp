#pragma once

#include "compiler/warnstate.hpp"

// Reads a file (the program or a module) statement by statement through the walk the compiler uses,
// and the modules it imports, each once. Reported: tokens left over after a statement's form, a
// statement that is a bare else, elif, break or continue, and the import of the strings module.
// Throws walkstopped, or the compiler's compileerror, where the program does not compile.
void walkfile(warnstate& state, const warnfile& file);
