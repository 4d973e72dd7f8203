#pragma once

#include "bytecode/opcodes.hpp"

// The operations on the values on top of the data stack: arithmetic, comparisons and logic, shared by
// their instructions and the fused runs that end in one.
namespace V4VM {

class machine;

void arithmetic(machine& vm, byte opcode);  // ADD, SUB, MUL, DIV
void comparison(machine& vm, byte opcode);  // GREATER, LESS, LESSEQ, GREATEREQ
void equality(machine& vm);                 // EQUAL
void logic(machine& vm, byte opcode);       // AND, OR, XOR, NOR

// Whether `opcode` is one of the above, and carrying it out.
bool isoperation(byte opcode);
void operate(machine& vm, byte opcode);

}  // namespace V4VM
