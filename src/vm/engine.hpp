#pragma once

#include "vm/bytecode.hpp"
#include "vm/scope.hpp"
#include "vm/values.hpp"

// The interpreter loop.
namespace V4VM {

// One cycle on `bytes`, the body on top of the code stack: the integrity check, then one instruction, or
// leaving the body when it has ended.
void execinstruction(codebody& bytes);

// Takes the top of the data stack as it is ("Data stack is empty." when there is none).
variable* poprawtop();

// What gettopvar returns, for a caller that only reads the value and then drops it: the top itself
// wherever gettopvar's copy could make no observable difference.
variable* popforreading();

// The scope of the running body or entered object.
scope& currentscope();

bool inrange(byte low, byte high, byte value);
float doarithmetic(float a, float b, char op);
bool docomparisment(float a, float b, int op);

template <typename T>
bool logical_nor(T a, T b) {
    return !(a || b);
}

}  // namespace V4VM
