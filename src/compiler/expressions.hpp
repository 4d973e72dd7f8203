#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.hpp"
#include "compiler/rawapi.hpp"

// Emits an instruction whose operand is a name: the opcode, the STRING tag, the name and a 0 byte.
void addnamed(byte opcode, const std::string& name);

// True when some entry of x equals element.
bool inlist(const std::vector<std::string>& x, const std::string& element);

// True when every character is a digit or "-" (or "." with allowfloat); true for the empty text.
bool isnumeric(const std::string& target, bool allowfloat);

// The digits after the point when the head `temp` and the text after it form a decimal literal such
// as 2.5; empty when they do not (a head of digits followed by "." and a name is a member access).
std::string_view decimalfraction(const std::string& temp, const scantext& target);

// Emits code that pushes one operand: a literal or a name with its prefixes, then its path of
// member accesses, calls and indexes. With pointer 1 a pointer to the variable is pushed instead.
void handleget(std::string target, int pointer);

// Emits one operator step: the right operand `target`, then the instruction for `op`.
void handlesingleeval(const std::string& target, const std::string& op);

// Emits code that pushes the value of an operator chain, combined strictly from left to right.
void handleexpr(std::string expression);
