#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "common/sourcemap.hpp"

// Which file and line the compiler is working on. The packer tags every byte it emits with the
// position of the statement being compiled (see common/sourcemap.hpp for what a position means).

// The files read in this compilation; a file is named by its index. The compiler reads a file's text
// in place, so registering a module while a text is being compiled must not move that text: a deque
// keeps its elements where they are.
extern std::deque<sourcefile> compiledfiles;

// Registers a file and returns its index. A module compiled twice is registered once.
std::uint32_t addcompiledfile(std::string name, std::string text);

// Where a text starts: the index of its file and the line of its first character. Line 0: a text from
// no known file (a compilation started without a file), whose bytes have no position.
struct textorigin {
    std::uint32_t file = 0;
    std::uint32_t line = 0;
};

// The statement being compiled, and whether its first byte is still to come.
struct emitposition {
    std::uint32_t file = 0;
    std::uint32_t line = 0;
    bool statementstart = false;
};
extern emitposition currentposition;

// The next byte emitted is the first of a statement at `where`.
void beginstatement(textorigin where);

// The text of the current statement's line, for error reports; empty when it has no position.
std::string_view currentlinetext();

// Lines of the characters of one text, asked for in increasing order of their offsets: each call only
// counts the line ends since the previous one.
class linecounter {
public:
    linecounter(std::string_view text, textorigin origin) : text(text), origin(origin) {}
    textorigin at(std::size_t offset);

private:
    std::string_view text;
    textorigin origin;
    std::size_t counted = 0;
};

// Keeps the enclosing statement's position while a body or a module is compiled and brings it back
// afterwards, so that what a statement emits after its body is its own again.
class keepposition {
public:
    keepposition() : kept(currentposition) {}
    ~keepposition() { currentposition = {kept.file, kept.line, false}; }
    keepposition(const keepposition&) = delete;
    keepposition& operator=(const keepposition&) = delete;

private:
    emitposition kept;
};

// Forgets the files and the position, for several compilations in one process.
void resetpositions();
