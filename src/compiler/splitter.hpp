#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compilation.hpp"
#include "compiler/positions.hpp"

// Where each segment of each statement begins: its first character's offset in the block text.
using segmentstarts = std::vector<std::vector<std::size_t>>;

// Takes one segment of a statement: a piece of the block text, and where it begins in it.
using segmentsink = std::function<void(std::string_view segment, std::size_t start)>;

// Cuts a block into statements at line ends and each statement into segments at blanks and tabs,
// neither inside brackets, braces or quotes, one statement at a time. Always at least one statement
// of at least one segment. Unbalanced groupings throw splitfailure: 51 (left open, met after the last
// statement), 52 (a "}" or ")" closing a "["), 54. `origin` places the block in its file for those
// reports, and `filetext` (the text of that file, which the block is a piece of; empty when it is not)
// gives their columns. A "]" with no "[" open is added to `complaints` unless that is null.
class statementsplitter {
public:
    statementsplitter(std::string_view target, textorigin origin, std::vector<placedcomplaint>* complaints,
                      std::string_view filetext = {});

    // Hands the next statement's segments to `each`, in order; false when there is no statement left.
    // A line may have as many segments as blanks: the taker decides which to keep.
    bool next(const segmentsink& each);

private:
    [[noreturn]] void failat(int status, const std::string& usual, const std::string& message, std::size_t at) const;
    int sum() const;
    void endsegment(const segmentsink& each, std::size_t at);

    std::string_view target;
    textorigin origin;
    std::vector<placedcomplaint>* complaints;
    std::string_view filetext;
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
    // Openers met while already inside a grouping, each withdrawn again by a later character.
    int withdrawals = 0;
    // At the start of a line, where blanks and tabs are skipped.
    bool ignspace = false;
};

// Splits the whole block and throws as the splitter does when a grouping is unbalanced, so that the
// splitter's failures come before anything of the block is compiled; complains as the splitter does.
// The statements are then handed out by a splitter that does not complain.
void checksplit(std::string_view target, textorigin origin, std::vector<placedcomplaint>& complaints,
                std::string_view filetext);

// What the splitter makes of a whole block: every statement at once, as copies, with where each of
// its segments starts, or none and the status and message of an unbalanced grouping (0 and empty
// when there is none); how many times it complained before it was done.
struct wholesplit {
    int status = 0;
    std::string message;
    std::size_t complaints = 0;
    std::vector<std::vector<std::string>> statements;
    segmentstarts starts;
};
wholesplit splitwhole(std::string_view target);
