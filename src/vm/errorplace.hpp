#pragma once

#include <iosfwd>

#include "vm/diagnostics.hpp"

namespace V4VM {

class machine;

// The short report of a machine error in a quiet run: "FILE:LINE: " and the message (with
// " (within module)" for an error raised by a native), the source line, then the calls that led
// there, innermost last, each as FILE:LINE of the call and the name of the function called, the last
// 20 of them and a count of the rest. The bodies of IF, WHILE and FOR are not calls: their lines belong
// to the function around them. An error with no source line (a panic) is "vesk: " and the message.
void reportplace(const machine& vm, const vmerror& failure, std::ostream& out);

}  // namespace V4VM
