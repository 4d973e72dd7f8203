#pragma once

#include <string_view>

// Deepest nesting a text may have, and the deepest chain of modules importing modules.
constexpr int nestinglimit = 1000;

// Blocks inside blocks, counted across the modules a program imports.
constexpr int blocklimit = 20 * nestinglimit;

// Expressions inside expressions. Legitimate text gives about one expression level per bracket level;
// twice the limit leaves room, while text that gains its depth through escapes (hidden from the
// nesting measure) is still stopped.
constexpr int expressionlimit = 2 * nestinglimit;

// The deepest nesting of "(", "[" and "{" together outside double-quoted strings; a backslash hides the
// character after it and a closer with nothing open counts for nothing.
int deepestnesting(std::string_view text);

// Holds one level of a recursion for as long as it lives. The compiler's recursions are bounded so
// that no text, however built, runs the stack out: past `limit` levels the compile error "Nesting too
// deep." is thrown. Leaving a level (also by an exception) gives it back, so there is nothing
// to reset between compilations.
class nestinglevel {
public:
    nestinglevel(int& depth, int limit);
    ~nestinglevel();
    nestinglevel(const nestinglevel&) = delete;
    nestinglevel& operator=(const nestinglevel&) = delete;

private:
    int& depth;
};
