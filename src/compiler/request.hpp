#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>

// What a compilation is asked: which text it is, where `also` finds modules, and what is known already.

// A module's text as `also` finds it. `failure` is the errno of a module that could not be read
// (ENOENT: there is none); nothing inside a built-in module is warned about.
struct moduletext {
    std::string text;
    int failure = 0;
    bool builtin = false;
};

// Finds the module file `filename` ("NAME.VKEX") for `also NAME`.
using moduleresolver = std::function<moduletext(const std::string& filename)>;

// The modules that ship inside the program first, then the files of the working directory.
moduletext builtinthenworkingdirectory(const std::string& filename);

// Names assigned somewhere: plain names and the globals (stored with a G prefix).
struct knownnames {
    std::set<std::string> plain;
    std::set<std::string> global;
};

struct compilerequest {
    std::string name;              // the text's file name, as reports and the source map show it
    std::uint32_t firstline = 1;   // the line number of the text's first line
    bool warnings = false;         // also read the text for the language's traps
    moduleresolver modules = builtinthenworkingdirectory;
    knownnames defined;            // assigned before this text (by earlier entries at a prompt)
};
