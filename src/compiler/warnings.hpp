#pragma once

#include <string>
#include <vector>

// The traps a program falls into although it compiles: each warning is "FILE:LINE: warning: " + what
// will happen + the rewrite that does what the text seems to say, where there is one. `source` is the
// program's text as read from `path`; the modules it imports are read as the compiler reads them,
// and nothing inside the built-in modules is warned about. Lines are counted on the text as read.
// Nothing is printed. Where the program does not compile, what was found before that point is
// returned, without the warnings about names, which need the whole program.
std::vector<std::string> warnings(const std::string& source, const std::string& path);
