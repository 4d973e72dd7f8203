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

// Emits code that pushes one operand: a literal or a name with its prefixes, then its path of
// member accesses, calls and indexes. With pointer 1 a pointer to the variable is pushed instead.
void emitoperand(compilation& c, std::string_view target, int pointer);

// Emits one operator step: the right operand `target`, then the instruction for `op`.
void emitoperatorstep(compilation& c, std::string_view target, const std::string& op);

// Emits code that pushes the value of an operator chain, combined strictly from left to right.
void emitexpression(compilation& c, std::string_view expression);

// Emits the call of the value on top of the data stack with the given argument expressions.
void emitcall(compilation& c, const piecelist& arguments);

// Emits the walk into the object on top of the data stack along the dotted path `path` (from its
// "."), counting each object entered in `wentin`, and returns the last member with whatever follows it.
std::string emitpathwalk(compilation& c, std::string_view path, int& wentin);
