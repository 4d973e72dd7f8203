#include "bytecode/opcodes.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "main/listing.hpp"

using namespace bytecode;

namespace {

// The numbers are the format: compiled programs, the generator of test programs and every listing
// depend on them. Written out here once more on purpose, as a reader of the format would.
const std::vector<std::string> numberednames = {
    "ADD",       "SUB",       "MUL",       "DIV",       "LOADLOCAL",  "STORELOCAL",   "LEAVE",
    "ENTERATTR", "LEAVEALL",  "CALL",      "LOADATTR",  "STOREATTR",  "LOADGLOBAL",   "STOREGLOBAL",
    "PUSHCONST", "PUSHCOPY",  "RETURN",    "EQUAL",     "GREATER",    "LESS",         "LESSEQ",
    "GREATEREQ", "NOT",       "AND",       "OR",        "XOR",        "STASH",        "UNSTASH",
    "PTRLOCAL",  "PTRATTR",   "PTRGLOBAL", "PTRTOP",    "NOR",        "IF",           "POP",
    "WHILE",     "FOR",       "SAVESCOPE", "RESTORESCOPE", "ASSIGN",  "DUP",          "ENTERTOP",
};

std::string listed(const std::vector<byte>& program) {
    std::ostringstream out;
    printlisting(out, program, sourcemap());
    return out.str();
}

TEST(Opcodes, EveryNumberHasItsFixedNameAndNoOtherByteIsAnInstruction) {
    ASSERT_EQ(instructions.size(), numberednames.size());
    for (int number = 0; number < 256; ++number) {
        const instructioninfo* info = instructionof(static_cast<byte>(number));
        if (number >= static_cast<int>(numberednames.size())) {
            EXPECT_EQ(info, nullptr) << number;
            EXPECT_EQ(operandof(static_cast<byte>(number)), operandkind::none) << number;
            continue;
        }
        ASSERT_NE(info, nullptr) << number;
        EXPECT_EQ(info->name, numberednames[number]);
        EXPECT_EQ(info->code, number);
    }
    EXPECT_EQ(PUSHCONST, 14);
    EXPECT_EQ(ENTERTOP, 41);
    EXPECT_EQ(STACK, 7);
    EXPECT_EQ(LISTEND, 255);
}

TEST(Opcodes, OperandsAreTakenByNamesCallsConstantsAndBlocks) {
    const std::vector<opcode> names = {LOADLOCAL,   STORELOCAL, ENTERATTR, LOADATTR,  STOREATTR,
                                       LOADGLOBAL, STOREGLOBAL, PTRLOCAL, PTRATTR, PTRGLOBAL};
    const std::vector<opcode> values = {PUSHCONST, IF, WHILE, FOR};
    auto among = [](const std::vector<opcode>& set, const instructioninfo& info) {
        for (opcode code : set)
            if (code == info.code) return true;
        return false;
    };
    for (const instructioninfo& info : instructions) {
        operandkind expected = among(names, info)    ? operandkind::name
                               : among(values, info) ? operandkind::value
                               : info.code == CALL   ? operandkind::count
                                                     : operandkind::none;
        EXPECT_EQ(info.operand, expected) << info.name;
        EXPECT_EQ(operandof(info.code), expected) << info.name;
    }
}

// The listing names every instruction from the table, and tries to read an operand exactly where one
// is taken.
TEST(Opcodes, TheListingPrintsTheNamesAndReadsTheOperandsTheTableGives) {
    for (int number = 0; number < 256; ++number) {
        std::string line = listed({static_cast<byte>(number)});
        std::string expected = number < static_cast<int>(numberednames.size())
                                   ? numberednames[number]
                                   : "? byte " + std::to_string(number) + " is no instruction";
        if (operandof(static_cast<byte>(number)) != operandkind::none)
            expected += " (operand runs past the end of the body)";
        EXPECT_EQ(line, "  0  " + expected + "\n");
    }
    EXPECT_EQ(listed({CALL, INT, 0, 0, 0, 2, LOADATTR, STRING, 'x', 0, POP}),
              "   0  CALL 2\n"
              "   6  LOADATTR \"x\"\n"
              "  10  POP\n");
}

}  // namespace
