#pragma once

#include "compiler/warnstate.hpp"

// Reports every name read but assigned nowhere in the program or its modules, once the whole program
// has been read. Not reported: self, arg0, arg1, ..., ELEMENT and the program root's built-ins; a
// global (G) name counts as assigned only where a global is stored.
void checkreads(warnstate& state);
