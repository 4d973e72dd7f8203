#pragma once

// One whole run of vesk with its command line: read, compile, then warn, list or run; returns the exit
// status. A run that ends early (usage or compile error, splitter exit) throws processended.
int runvesk(int argc, const char* const* argv);
