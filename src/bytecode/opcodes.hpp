#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/bytes.hpp"

// The instructions and operand tags: what the compiler writes, the machine runs and the listing shows.
namespace bytecode {

enum opcode : byte {
    ADD = 0, SUB, MUL, DIV, LOADLOCAL, STORELOCAL, LEAVE, ENTERATTR, LEAVEALL, CALL,
    LOADATTR, STOREATTR, LOADGLOBAL, STOREGLOBAL, PUSHCONST, PUSHCOPY, RETURN, EQUAL, GREATER, LESS,
    LESSEQ, GREATEREQ, NOT, AND, OR, XOR, STASH, UNSTASH, PTRLOCAL, PTRATTR,
    PTRGLOBAL, PTRTOP, NOR, IF, POP, WHILE, FOR, SAVESCOPE, RESTORESCOPE, ASSIGN,
    DUP, ENTERTOP,
};

// What follows an opcode. Any operand may stand where one is taken; the kind says how the machine
// reads it, and so which operands it can read before the instruction runs.
enum class operandkind : std::uint8_t {
    none,
    name,   // read as text: the name of a local, global or member (the compiler writes a STRING)
    count,  // read as an integer: the arguments of a call (the compiler writes an INT)
    value,  // decoded into a value: a constant, or the body of IF, WHILE and FOR (a CODE)
};

struct instructioninfo {
    opcode code;
    std::string_view name;  // as the listing prints it
    operandkind operand;
};

// Every instruction, in the order of its number.
inline constexpr std::array<instructioninfo, 42> instructions = {{
    {ADD, "ADD", operandkind::none},
    {SUB, "SUB", operandkind::none},
    {MUL, "MUL", operandkind::none},
    {DIV, "DIV", operandkind::none},
    {LOADLOCAL, "LOADLOCAL", operandkind::name},
    {STORELOCAL, "STORELOCAL", operandkind::name},
    {LEAVE, "LEAVE", operandkind::none},
    {ENTERATTR, "ENTERATTR", operandkind::name},
    {LEAVEALL, "LEAVEALL", operandkind::none},
    {CALL, "CALL", operandkind::count},
    {LOADATTR, "LOADATTR", operandkind::name},
    {STOREATTR, "STOREATTR", operandkind::name},
    {LOADGLOBAL, "LOADGLOBAL", operandkind::name},
    {STOREGLOBAL, "STOREGLOBAL", operandkind::name},
    {PUSHCONST, "PUSHCONST", operandkind::value},
    {PUSHCOPY, "PUSHCOPY", operandkind::none},
    {RETURN, "RETURN", operandkind::none},
    {EQUAL, "EQUAL", operandkind::none},
    {GREATER, "GREATER", operandkind::none},
    {LESS, "LESS", operandkind::none},
    {LESSEQ, "LESSEQ", operandkind::none},
    {GREATEREQ, "GREATEREQ", operandkind::none},
    {NOT, "NOT", operandkind::none},
    {AND, "AND", operandkind::none},
    {OR, "OR", operandkind::none},
    {XOR, "XOR", operandkind::none},
    {STASH, "STASH", operandkind::none},
    {UNSTASH, "UNSTASH", operandkind::none},
    {PTRLOCAL, "PTRLOCAL", operandkind::name},
    {PTRATTR, "PTRATTR", operandkind::name},
    {PTRGLOBAL, "PTRGLOBAL", operandkind::name},
    {PTRTOP, "PTRTOP", operandkind::none},
    {NOR, "NOR", operandkind::none},
    {IF, "IF", operandkind::value},
    {POP, "POP", operandkind::none},
    {WHILE, "WHILE", operandkind::value},
    {FOR, "FOR", operandkind::value},
    {SAVESCOPE, "SAVESCOPE", operandkind::none},
    {RESTORESCOPE, "RESTORESCOPE", operandkind::none},
    {ASSIGN, "ASSIGN", operandkind::none},
    {DUP, "DUP", operandkind::none},
    {ENTERTOP, "ENTERTOP", operandkind::none},
}};

// The table is indexed by number: an entry out of place would give a byte another's name and operand.
constexpr bool numberedinorder() {
    for (std::size_t number = 0; number < instructions.size(); ++number)
        if (instructions[number].code != number) return false;
    return true;
}
static_assert(numberedinorder() && instructions.size() == ENTERTOP + 1);

// The instruction `code` stands for, or null when it is none.
constexpr const instructioninfo* instructionof(byte code) {
    return code < instructions.size() ? &instructions[code] : nullptr;
}

// What the operand of `code` is read as; none for a byte that is no instruction.
constexpr operandkind operandof(byte code) {
    const instructioninfo* info = instructionof(code);
    return info ? info->operand : operandkind::none;
}

enum operandtag : byte { INT = 0, FLOAT, STRING, CLASS, LIST, DICT, CODE, STACK };

// Ends a list or dictionary operand.
constexpr byte LISTEND = 255;

}  // namespace bytecode
