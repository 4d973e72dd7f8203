#pragma once

#include <cstdint>
#include <string>

#include "common/sourcemap.hpp"

// What the driver tells the machine about a run: how it is reported and how far it may go; the machine
// reads this and nothing else of the command line.
//
// A quiet run (-q) prints only what the program prints: no finish line (the exit status stays the
// finish code). A machine error in a quiet run is a short report on standard error, through
// common/positionreport.hpp: "FILE:LINE: " and the message, " within module" after it for an error
// raised within a native, and the source line; then the chain of calls that led there, innermost last,
// each as FILE:LINE and the function's name, cut to the last 20 with a count of the rest (the bodies of
// `if`, `while` and `for` are not entries of their own). An error with no position (a panic, a failed
// flush at the end) is "vesk: " and the message.
struct runsettings {
    bool quiet = false;
    // Where each byte of the program handed to loadprogram came from; never null in a run of vesk.
    const sourcemap* positions = nullptr;
    // The most instructions the run executes (those of IF, WHILE and FOR bodies and constructors
    // included) before it ends with the machine error "Step limit reached."; 0 for no limit.
    std::uint64_t maxsteps = 0;
    // The most bytes the machine's heap may hold (values and their payloads: string bytes, list and
    // dictionary entries, member maps) before the run ends with "Out of memory."; 0 for no limit.
    std::uint64_t maxmemory = 0;

    // A sandbox for programs nobody has read (the fuzz targets run whatever the fuzzer writes); vesk
    // leaves both off. When `confinedto` names a folder, `open` and the filesystem object's methods reach
    // only paths inside it: any other path fails exactly as a missing file does.
    std::string confinedto;
    // The shell-command built-in starts nothing and returns -1, as when no shell can be started.
    bool noshell = false;
};
