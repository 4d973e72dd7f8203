#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/piecelist.hpp"

// Source text is never tokenised: the compiler cuts pieces off the front of a text with seekstring.

// A text read from its front. The unread part starts at `pos`; reading moves `pos` instead of erasing,
// so cutting a long text into pieces costs time in proportion to its length. The text is read where it
// stands (it must outlive the scantext) until it is replaced or changed: then the scantext holds a text
// of its own. Neither copied nor moved, as `text` may point into `owned`.
struct scantext {
    std::string_view text;
    std::size_t pos = 0;
    std::string owned;

    explicit scantext(std::string_view source) : text(source) {}
    scantext(const scantext&) = delete;
    scantext& operator=(const scantext&) = delete;
    std::string_view rest() const { return text.substr(pos); }
    bool empty() const { return pos >= text.size(); }
    char front() const { return text[pos]; }
    bool startswith(char c) const { return rest().starts_with(c); }
    void drop(std::size_t count) { pos = count < text.size() - pos ? pos + count : text.size(); }
    void replace(std::string source) {
        owned = std::move(source);
        text = owned;
        pos = 0;
    }
    // The unread text, to be changed in place: the first change copies it into the scantext's own.
    char* unreadforchange() {
        if (text.data() != owned.data()) replace(std::string(rest()));
        return owned.data() + pos;
    }
};

// Drops `prefix` from the front of the text; false when the text does not begin with it.
bool dropprefix(scantext& target, char prefix);

// The characters that separate tokens within a line.
inline bool isblankortab(char c) { return c == ' ' || c == '\t'; }

using groups = std::map<std::string, std::string>;

// True when every character is a letter A-Z or a-z; true for the empty text.
bool isallalpha(std::string_view str);

// True when x begins with y.
bool checkstrings(std::string_view x, std::string_view y);
// True when x begins with at least one element of y.
bool checkstrings(std::string_view x, const std::vector<std::string>& y);

// Mode 0 reads up to the first of `blacklist` found outside every group of `ignorance`; any other
// mode reads the run of `blacklist` entries standing at the front. Backslash escapes are translated
// into the result. With `doalphachecking`, an all-letter target counts only as a word between blanks.
std::string seekstring(scantext& target, const std::vector<std::string>& blacklist, const groups& ignorance,
                       int blacklistmode, bool doalphachecking);

// Splits a comma-separated list up to one of `ends`, which stays at the front of `target`. Empty
// pieces are dropped.
piecelist getargs(scantext& target, const std::string& seperator, const std::vector<std::string>& ends);
