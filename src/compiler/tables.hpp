#pragma once

#include <map>
#include <string>
#include <vector>

// The compiler's vocabulary. Filled before anything runs and never changed.

// Operator texts in matching order: a longer operator comes before its own prefix.
extern const std::vector<std::string> operators;

// The operators written as words, in the same order.
extern const std::vector<std::string> wordoperators;

// What ends a name and starts its path: a member access, a call or an index.
extern const std::vector<std::string> pathdelimiters;

// The first tokens that make a statement a keyword statement.
extern const std::vector<std::string> statements;

// Grouping pairs, opener to closer, inside which no search target is recognised.
extern const std::map<std::string, std::string> groupingpairs;

// Module file name to source text, for the modules that ship inside the program.
extern const std::map<std::string, std::string> builtinmodules;
