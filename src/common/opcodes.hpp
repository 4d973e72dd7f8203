#pragma once

#include "common/bytes.hpp"

// The instruction and operand tag numbers: what the compiler writes and the machine reads.
namespace bytecode {

enum opcode : byte {
    ADD = 0, SUB, MUL, DIV, LOADLOCAL, STORELOCAL, LEAVE, ENTERATTR, LEAVEALL, CALL,
    LOADATTR, STOREATTR, LOADGLOBAL, STOREGLOBAL, PUSHCONST, PUSHCOPY, RETURN, EQUAL, GREATER, LESS,
    LESSEQ, GREATEREQ, NOT, AND, OR, XOR, STASH, UNSTASH, PTRLOCAL, PTRATTR,
    PTRGLOBAL, PTRTOP, NOR, IF, POP, WHILE, FOR, SAVESCOPE, RESTORESCOPE, ASSIGN,
    DUP, ENTERTOP,
};

enum operandtag : byte { INT = 0, FLOAT, STRING, CLASS, LIST, DICT, CODE, STACK };

// Ends a list or dictionary operand.
constexpr byte LISTEND = 255;

}  // namespace bytecode
