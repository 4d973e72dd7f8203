#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "common/sourcemap.hpp"
#include "compiler/request.hpp"
#include "compiler/positions.hpp"
#include "compiler/writer.hpp"

// A complaint of the splitter, where it was made (column: bytes into the line, npos when unknown).
struct placedcomplaint {
    textorigin where;
    std::size_t column;
};

// Everything one compilation works with, made by compile() and passed to every part that emits; gone
// when compile() returns.
struct compilation {
    explicit compilation(const moduleresolver& modules) : modules(modules) {}

    bytewriter out;

    // The files read, a file named by its index. Blocks are read in place, so registering a module
    // while a text is being compiled must not move that text: a deque keeps its elements where they are.
    std::deque<sourcefile> files;

    const moduleresolver& modules;
    std::vector<placedcomplaint> complaints;

    // The first character of the statement being compiled, for the column of its compile error.
    const char* statementtext = nullptr;

    // Modules importing modules (a module may import itself); blocks inside blocks, across modules (the
    // nesting measure bounds the blocks of one text; this bounds a chain of modules that each nest
    // deeply, so that the stack cannot run out); expressions inside expressions.
    int moduledepth = 0;
    int blockdepth = 0;
    int expressiondepth = 0;

    // The statements of the text's own top level, and how many of them are expression statements:
    // a prompt shows the value of an entry that is one expression.
    std::size_t toplevelstatements = 0;
    std::size_t toplevelexpressions = 0;

    // Registers a file and returns its index. A module compiled twice is registered once.
    std::uint32_t addfile(std::string name, std::string text);

    // The text of the file a text at `origin` belongs to; empty for a text of no known file.
    std::string_view filetext(textorigin origin) const;
};

// Bytes from the line's start (in `filetext`) to `at`, or npos when `at` is not inside `filetext`.
std::size_t columnof(std::string_view filetext, const char* at);

// Keeps the enclosing statement's position while a body or a module is compiled and brings it back
// afterwards, so that what a statement emits after its body is its own again. A compilation that
// fails keeps the statement it failed in: that is where its error is reported.
class keepposition {
public:
    explicit keepposition(compilation& c)
        : c(c), kept(c.out.position), keptstatement(c.statementtext), failures(std::uncaught_exceptions()) {}
    ~keepposition() {
        if (std::uncaught_exceptions() != failures) return;
        c.out.position = {kept.file, kept.line, false};
        c.statementtext = keptstatement;
    }
    keepposition(const keepposition&) = delete;
    keepposition& operator=(const keepposition&) = delete;

private:
    compilation& c;
    emitposition kept;
    const char* keptstatement;
    int failures;
};
