#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.hpp"
#include "compiler/compilation.hpp"
#include "compiler/piecelist.hpp"
#include "compiler/scanner.hpp"

// Emits an instruction whose operand is a name: the opcode, the STRING tag, the name and a 0 byte.
void addnamed(compilation& c, byte opcode, std::string_view name);

// True when some entry of x equals element.
bool inlist(const std::vector<std::string>& x, std::string_view element);

// True when every character is a digit or "-" (or "." with allowfloat); true for the empty text.
bool isnumeric(const std::string& target, bool allowfloat);

// The digits after the point when the head `temp` and the text after it form a decimal literal such
// as 2.5; empty when they do not (a head of digits followed by "." and a name is a member access).
std::string_view decimalfraction(const std::string& temp, const scantext& target);

// Emits code that pushes one operand: a literal or a name with its prefixes, then its path of
// member accesses, calls and indexes. With pointer 1 a pointer to the variable is pushed instead.
void emitoperand(compilation& c, std::string_view target, int pointer);

// Emits one operator step: the right operand `target`, then the instruction for `op`.
void emitoperatorstep(compilation& c, std::string_view target, const std::string& op);

// An expression text that begins with "(" cut after its first group: the text inside the group, as
// the scanner reads it (escapes translated), and the text after the group's ")" as written.
struct leadinggroup {
    std::string inside;
    std::string_view after;  // a piece of the text given
};
leadinggroup splitleadinggroup(std::string_view text);

// True when `after`, the text after an expression's leading group, goes on from the group: it starts
// right at the ")" ("(a)+b", "(l).size()"), or it is a word operator with blanks or tabs around it
// ("(a) or (b)"). The whole text is then an operator chain whose first operand is the group;
// otherwise the group is the whole expression and `after` is dropped.
bool continuesgroup(std::string_view after);

// The operator at the front of what is left of an expression after an operand, consumed.
std::string readoperator(scantext& expression);

// Emits code that pushes the value of an operator chain, combined strictly from left to right.
void emitexpression(compilation& c, std::string_view expression);

// Emits the call of the value on top of the data stack with the given argument expressions.
void emitcall(compilation& c, const piecelist& arguments);

// Emits the walk into the object on top of the data stack along the dotted path `target`, counting
// each object entered in `wentin`, and returns the last component with whatever follows it.
std::string emitpathwalk(compilation& c, std::string_view target, int& wentin, std::vector<std::string> enders);
