#pragma once

// One whole run of vesk with its command line: read, compile, then warn, list or run. Never returns; the
// process ends inside.
[[noreturn]] void runvesk(int argc, const char* const* argv);
