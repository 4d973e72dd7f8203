#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A document's text seen as an editor sees it: lines counted from 0, and columns in UTF-16 code units,
// which is how the protocol counts them, while the compiler counts bytes.

// The length of the well-formed UTF-8 sequence at byte `at` of the text, 0 where none begins.
std::size_t utf8sequence(std::string_view text, std::size_t at);

// True when the text is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool validutf8(std::string_view text);

// The UTF-16 code units that the first `bytes` bytes of a UTF-8 line take.
std::size_t utf16units(std::string_view line, std::size_t bytes);

// The byte offset in a UTF-8 line of the character `units` UTF-16 code units in (the line's length
// when it is shorter, the start of a character the count falls inside).
std::size_t byteoffset(std::string_view line, std::size_t units);

// A line (0-based) and a UTF-16 column.
struct lineposition {
    std::size_t line = 0;
    std::size_t character = 0;
};

struct linerange {
    lineposition start;
    lineposition end;
};

class textlines {
public:
    explicit textlines(std::string_view text);

    std::size_t count() const { return starts.size(); }
    // Line `index` without its line end (a carriage return before the line feed included); empty
    // past the last line.
    std::string_view line(std::size_t index) const;
    // The range of `length` bytes from byte `column` of a line, clipped to the line.
    linerange span(std::size_t index, std::size_t column, std::size_t length) const;
    // The byte column of a position in its line.
    std::size_t column(const lineposition& at) const;

private:
    std::string_view text;
    std::vector<std::size_t> starts;
};
