#pragma once

#include <string>

#include "compiler/warnstate.hpp"

// Expressions and assignment targets, read the way the compiler compiles them. Reported: blanks that
// end up inside the operands, text that is dropped, calls inside a member path, print given a number,
// element assignment. Recorded: the names read and the names assigned.

void checkexpression(warnstate& state, const token& expression);

// `value` is the text of the value assigned, for the rewrite of an element assignment.
void checktarget(warnstate& state, const token& target, const std::string& value);

// True when `text` compiles as an expression and nothing in it is warned about: a rewrite is only
// offered when it is.
bool compilescleanly(const warnstate& state, const std::string& text);
