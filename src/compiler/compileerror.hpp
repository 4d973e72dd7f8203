#pragma once

#include <string>

#include "compiler/positions.hpp"

// How compilation fails. By default a compile error is the full report with a quip and the statement
// splitter's failures print what they always printed (52 and 54 nothing at all); with short reports (a
// quiet run) every failure is one report on standard error at the line where it happened, see
// common/positionreport.hpp.
void setshortcompilereports(bool shortreports);

// Reports a compile error in the statement being compiled and ends the process with status 1.
[[noreturn]] void error(const std::string& message);

// Ends the process with a splitter status (51, 52, 54): `usual` is what the default report prints on
// standard output, `message` what the short report says at line `where`.
[[noreturn]] void splitterfailure(int status, const std::string& usual, const std::string& message, textorigin where);
