#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// What a program defines, read line by line as a reader sees it (one statement a line, blocks in
// braces), for the editor's symbols, definitions, hovers and completions. It never fails: a text
// that does not compile still has the definitions it has.

enum class symbolkind { function, classdef, method, variable };

// Where a name is written: a line (0-based) and the byte its name starts at.
struct nameplace {
    std::size_t line = 0;
    std::size_t column = 0;
};

struct symbol {
    std::string name;
    symbolkind kind = symbolkind::variable;
    nameplace at;
    std::size_t endline = 0;              // the line of the brace that closes its block; its own for a name
    std::vector<std::string> parameters;  // of a function or method
    std::vector<symbol> children;         // a class's methods, a function's functions
    std::vector<symbol> locals;           // a function's parameters and the names its body assigns
};

// A member stored somewhere (self.x = ..., @x = ..., a.b = ...): its name alone, there are no types.
struct memberwrite {
    std::string name;
    nameplace at;
};

struct outline {
    std::vector<symbol> symbols;  // functions, classes and names assigned outside any function, each first
    std::vector<memberwrite> members;
    std::vector<std::string> imports;  // the NAME of each `also NAME`, in order
};

outline outlineof(std::string_view text);

// The innermost function or method whose block holds `line`; null outside them all.
const symbol* functionat(const outline& read, std::size_t line);

// A class's methods and a function's inner functions, depth first, with the top-level symbols.
void eachsymbol(const outline& read, const std::function<void(const symbol&)>& visit);
