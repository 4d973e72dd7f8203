#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.hpp"
#include "common/sourcemap.hpp"

// Compilation as one call that returns everything a run may show of it. Nothing the compiler works
// with outlives the call, so a process (a prompt, an editor's server) may compile as often as it likes;
// nothing is printed and the process is never ended: the caller decides what to write.

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

// A place in a text: its file and line (0: none), and how many bytes into the line the offending text
// starts, where that is known.
struct textplace {
    std::string file;
    std::uint32_t line = 0;
    std::optional<std::size_t> column;
};

struct compilewarning {
    textplace where;
    std::string text;  // the whole line a run prints: "FILE:LINE: warning: " and what happens
};

// The statement splitter met a "]" with nothing open; a run prints "PARSER FAILURE" on standard error,
// once for every time the block around it is split.
struct splittercomplaint {
    textplace where;
};

enum class failurekind {
    compileerror,
    unclosedgrouping,   // status 51
    unopenedbrace,      // status 52
    unopenedparenthesis,  // status 54
    outofmemory,
};

struct compilefailure {
    failurekind kind;
    int status;  // the exit status of a run that stops here
    std::string message;
    textplace where;
    std::string linetext;   // the text of the line at `where`, without its line end
    std::string plainout;   // what a plain run prints on standard output

    // What a plain run prints on standard error: for a compile error the full report, with `quip` in its
    // second line; nothing for the splitter.
    std::string plainerror(std::string_view quip) const;

    // What a quiet run (and -w) prints on standard error: the message at its line, or without a place.
    std::string shorterror() const;
};

struct compileoutcome {
    std::vector<byte> bytes;
    sourcemap positions;
    std::vector<compilewarning> warnings;  // when asked; also when the text does not compile
    knownnames assigned;                   // with the warnings: `defined` and what the text assigns
    std::vector<splittercomplaint> complaints;
    std::optional<compilefailure> failure;  // then `bytes` and `positions` are empty
};

// Compiles `source` (a whole program or an entry, read as request.name). A text that does not compile
// gives the failure with what was complained about and warned about before it.
compileoutcome compile(std::string source, const compilerequest& request);
