#pragma once

#include <cstddef>

#include "common/opcodes.hpp"
#include "vm/values.hpp"

namespace V4VM {

using namespace ::bytecode;

// A running code body: the bytes of its function, shared, and the position of the next byte. The
// bytes not yet executed are those from `next` on.
struct codebody {
    codebytes bytes;
    std::size_t next = 0;

    bool empty() const;
    std::size_t remaining() const;
    // The next byte, and the next byte consumed: "Operand runs past the end of the code." when empty.
    byte top() const;
    byte pop();
};

// Reads one operand from the front of `body`, consuming exactly its bytes.
variable getop(codebody& body);

// The text of a name operand, the number of a count operand, and a fresh heap copy of a constant operand:
// what getop(body).getstring(false), .getint() and .getcopy() give, without the intermediate values
// for the operand kinds that are read directly.
std::string getname(codebody& body);
std::int32_t getcount(codebody& body);
variable* getconstant(codebody& body);

// Forgets the bodies cut out of other bodies by getop; used when the machine is reset.
void forgetcodebodies();

}  // namespace V4VM
