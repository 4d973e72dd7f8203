#pragma once

#include <cstdint>
#include <ostream>
#include <string>

// The command line: options first, then exactly one FILE (at most one with -i). "--" ends the options, so that a FILE may
// begin with "-"; short options may be written together ("-ql").
struct options {
    bool quiet = false;    // -q: only what the program prints; errors name their source line
    bool listing = false;  // -l: compile only and list the bytecode
    bool warn = false;     // -w: compile only and print the warnings
    bool help = false;     // -h
    bool version = false;  // -V
    bool lsp = false;      // --lsp: serve the editor's language protocol on standard input and output
    bool interactive = false;  // -i: run FILE if given, then the entries read from standard input
    std::uint64_t maxsteps = 0;  // --max-steps=N: the most instructions a run executes; 0 for no limit
    std::uint64_t maxmemory = 0;  // --max-memory=MiB, in bytes: the most the heap holds; 0 for no limit
    std::string file;
};

struct commandline {
    options chosen;
    std::string problem;  // why the command line is a usage error; empty when it is not
    // No argument is an option and there are not exactly one: the usage error vesk printed before it
    // had options, word for word.
    bool plaincount = false;
};

commandline readcommandline(int argc, const char* const* argv);

// "usage: ..." and a line end.
void printusage(std::ostream& out);

void printhelp(std::ostream& out);
