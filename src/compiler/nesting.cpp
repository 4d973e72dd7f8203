#include "compiler/nesting.hpp"

#include <algorithm>

#include "compiler/compileerror.hpp"

int deepestnesting(std::string_view text) {
    int depth = 0;
    int deepest = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\') {
            i += 1;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == '(' || c == '[' || c == '{') {
            depth += 1;
            deepest = std::max(deepest, depth);
        } else if ((c == ')' || c == ']' || c == '}') && depth > 0) {
            depth -= 1;
        }
    }
    return deepest;
}

nestinglevel::nestinglevel(int& depth, int limit) : depth(depth) {
    // Checked before counting: a level whose constructor fails is never given back.
    if (depth >= limit) fail("Nesting too deep.");
    depth += 1;
}

nestinglevel::~nestinglevel() { depth -= 1; }
