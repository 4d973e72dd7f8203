#pragma once

#include "compiler/outcome.hpp"

// Writes what a compilation complained about and how it failed, as a run shows it: the splitter's
// complaints on standard error; a failure in the short form of a quiet run (`shortreports`) or as a
// plain run reports it, a compile error with a quip chosen here.
void printcomplaints(const compileoutcome& result);
void printcompilefailure(const compilefailure& failure, bool shortreports);
