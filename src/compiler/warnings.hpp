#pragma once

#include <string>
#include <vector>

#include "compiler/outcome.hpp"
#include "compiler/request.hpp"

// The traps a program falls into although it compiles: each warning is "FILE:LINE: warning: " + what
// will happen + the rewrite that does what the text seems to say, where there is one. `source` is the
// text as read from request.name; the modules it imports are found as the compiler finds them, and
// nothing inside the built-in modules is warned about. Lines are counted on the text as read. Where
// the program does not compile, what was found before that point is returned, without the warnings
// about names, which need the whole program.
struct warningsfound {
    std::vector<compilewarning> warnings;
    bool complete = false;  // the whole program was read: it does not stop at a compile error
    knownnames assigned;  // request.defined and every name the text and its modules assign
};
warningsfound warnings(const std::string& source, const compilerequest& request);
