#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/positions.hpp"

// Where each segment of each statement begins: its first character's offset in the block text.
using segmentstarts = std::vector<std::vector<std::size_t>>;

// Takes one segment of a statement: a piece of the block text, and where it begins in it.
using segmentsink = std::function<void(std::string_view segment, std::size_t start)>;

// Cuts a block into statements at line ends and each statement into segments at blanks and tabs,
// neither inside brackets, braces or quotes, one statement at a time. Always at least one statement
// of at least one segment. Unbalanced groupings end the process: 51 (left open, met after the last
// statement), 52 (a "}" or ")" closing a "["), 54. `origin` places the block in its file for those
// reports. A "]" with no "[" open is complained about on standard error unless `quiet`.
class statementsplitter {
public:
    statementsplitter(std::string_view target, textorigin origin, bool quiet);

    // Hands the next statement's segments to `each`, in order; false when there is no statement left.
    // A line may have as many segments as blanks: the taker decides which to keep.
    bool next(const segmentsink& each);

private:
    [[noreturn]] void failat(int status, const std::string& usual, const std::string& message, std::size_t at) const;
    int sum() const;
    void endsegment(const segmentsink& each, std::size_t at);

    std::string_view target;
    textorigin origin;
    bool quiet;
    std::size_t at = 0;
    bool finished = false;
    // The current segment: where it began (nowhere while it is empty) and its length. Where the
    // outermost open grouping was opened.
    std::size_t segmentstart;
    std::size_t segmentlength = 0;
    std::size_t groupstart = 0;
    int codeblockmarker = 0;
    int listmarker = 0;
    int expressionmarker = 0;
    int string1marker = 0;
    int string2marker = 0;
    int igntotout = 0;
    bool ignspace = false;
};

// Splits the whole block and ends the process as the splitter does when a grouping is unbalanced, so
// that the splitter's failures come before anything of the block is compiled; complains as the
// splitter does. The statements are then handed out by a quiet splitter.
void checksplit(std::string_view target, textorigin origin);

// Every statement of a block at once, as copies; `starts`, when given, receives the segments' starts.
std::vector<std::vector<std::string>> parse(std::string_view target, textorigin origin = {},
                                            segmentstarts* starts = nullptr);
