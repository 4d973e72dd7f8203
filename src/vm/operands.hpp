#pragma once

#include <cstddef>
#include <cstdint>

#include "vm/code.hpp"
#include "vm/value.hpp"

namespace V4VM {

class machine;

// The value of a FLOAT operand: the whole part, then the fraction's digits divided by ten times
// their count.
float floatoperand(std::uint32_t whole, std::uint32_t fraction);

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
    std::size_t remaining() const { return next < body.size() ? body.size() - next : 0; }
    byte top() const;
    byte pop();
    std::uint32_t readword();
    float readfloat();
    text readtext();
    const codeblock* readcode();
    variable* decodeonheap(int depth);
    variable getop(int depth);

    machine& vm;
    const codeblock& body;
    std::size_t& next;
};

}  // namespace V4VM
