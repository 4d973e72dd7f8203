#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// A warning names the place where its offending text begins and quotes that text in its message (as
// the warnings quote it: blanks between tokens made one, tabs shown as \t, a block as {...}, a long
// text cut with ...). Matching the quotation against the line gives the text's extent, and the
// "write '...'" at the end of a message is the rewrite that replaces it.

// Bytes of one line to replace by `text`.
struct lineedit {
    std::size_t column = 0;
    std::size_t length = 0;
    std::string text;
};

struct warningextent {
    std::size_t start = 0;  // the byte where the range begins: where the quoted text does
    std::size_t length = 0;
    std::optional<lineedit> rewrite;
};

// `line` is the warning's line, `column` the byte where it places the warning (a warning about a
// statement may stand at one of its later tokens), `message` its text after "FILE:LINE: warning: ".
// Without a quotation that matches near the column, the range is the token at the column.
warningextent extentofwarning(std::string_view line, std::size_t column, std::string_view message);
