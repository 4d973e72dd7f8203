#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "common/bytes.hpp"
#include "common/runsettings.hpp"
#include "vm/vm.hpp"

// Writes the program's bytes from the last to the first, each in lower-case hexadecimal followed by a
// blank: the listing of a plain run.
void listcode(std::ostream& out, const std::vector<byte>& program);

// Writes how a run ended: the error report or the finish line.
void writeoutcome(const V4VM::runoutcome& outcome);
// Writes the refusals met closing a run's files, each without a place; returns the run's exit status
// `status`, or 1 where a refusal follows a run that would have ended with 0.
int writeclosefailures(int status, const std::vector<std::string>& failures);

// Loads the compiled program (bytes in execution order) into a machine, runs it to its end and
// returns the exit status. A run that is not quiet prints its progress and the bytes, last one first.
int runprogram(const std::vector<byte>& program, const runsettings& reporting);
