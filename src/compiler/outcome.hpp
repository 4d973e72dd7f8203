#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.hpp"
#include "common/sourcemap.hpp"
#include "compiler/request.hpp"

// Everything a compilation gives back, on success and failure alike, in the order a run shows it.

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
    bool oneexpression = false;             // the text is one expression statement and nothing else
};
