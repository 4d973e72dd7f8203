#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "compiler/warnstate.hpp"

// How warnings quote source text, and the rewrites they suggest.

// The text with its line ends, carriage returns and tabs written as \n, \r and \t, so that a warning
// stays on one line and shows them.
std::string visible(std::string_view text);

// A text in single quotes as a warning shows it: a block in braces is {...}, a text running over
// several lines shows its first line and "...", and a long text is cut short.
std::string quoted(std::string_view text);

// Tokens from..to of a statement in single quotes, one blank between them, each shown as above.
std::string quoted(const std::vector<token>& tokens, std::size_t from, std::size_t to);

// True for the operators written as words (and, or, xor, not).
bool iswordoperator(std::string_view text);

// The text without the blanks and tabs outside string literals that stand next to a symbolic
// operator, just inside a bracket or before a comma; the blanks after a comma become one.
std::string tidied(std::string_view text);

// Tokens a reader takes for one value, written as one token: run together where an operator or an
// argument list meets them, in parentheses where a word operator keeps its blanks. Empty when two
// operands would run together.
std::string joined(const std::vector<std::string>& tokens);

// The advice for a word that reads like a statement the language does not have (else, elif, break,
// continue); empty for any other word.
std::string missingstatement(std::string_view word);
