#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "compiler/writer.hpp"

// Which file and line the compiler is working on. The writer tags every byte it emits with the
// position of the statement being compiled (see common/sourcemap.hpp for what a position means).

// Where a text starts: the index of its file and the line of its first character. Line 0: a text from
// no known file, whose bytes have no position.
struct textorigin {
    std::uint32_t file = 0;
    std::uint32_t line = 0;
};

// The next byte emitted is the first of a statement at `where`.
inline void beginstatement(bytewriter& out, textorigin where) { out.position = {where.file, where.line, true}; }

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
