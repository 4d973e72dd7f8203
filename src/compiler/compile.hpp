#pragma once

#include <string>

#include "compiler/outcome.hpp"
#include "compiler/request.hpp"

// Compilation as one call that returns everything a run may show of it. Nothing the compiler works
// with outlives the call, so a process (a prompt, an editor's server) may compile as often as it likes;
// nothing is printed and the process is never ended: the caller decides what to write.

// Compiles `source` (a whole program or an entry, read as request.name). A text that does not compile
// gives the failure with what was complained about and warned about before it.
compileoutcome compile(std::string source, const compilerequest& request);
