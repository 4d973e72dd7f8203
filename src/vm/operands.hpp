#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "bytecode/operand.hpp"
#include "vm/code.hpp"
#include "vm/value.hpp"

namespace V4VM {

class machine;

// Reads operands as an instruction runs, from the byte at `next` of `body`, consuming exactly the bytes
// each reads: for the operands not read ahead of time (see code.hpp). An error leaves `next` after
// the bytes consumed so far, where the error report's code dump starts.
class operandreader {
public:
    operandreader(machine& vm, const codeblock& body, std::size_t& next) : vm(vm), body(body), next(next) {}

    variable getop();
    // What getop().getstring(false), .getint() and a heap copy give, without the intermediate values
    // where the tag allows.
    vname getname();
    std::int32_t getcount();
    variable* getconstant();

private:
    std::span<const byte> rest() const;  // the bytes from `next` on
    // The operand's first piece, read whole unless it opens a list or dictionary. Consumes nothing
    // unless it fails.
    operandpiece firstpiece();
    [[noreturn]] void fail(const operandfailure& failure);

    machine& vm;
    const codeblock& body;
    std::size_t& next;
};

// The value PUSHCONST (or a block instruction) makes of an operand read ahead (see code.hpp): a fresh
// number, string, function or class; null for an operand read as the instruction runs.
variable* readaheadconstant(machine& vm, const instruction& in);

}  // namespace V4VM
