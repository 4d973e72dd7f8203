#include "main/listing.hpp"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "bytecode/opcodes.hpp"

using namespace bytecode;

namespace {

std::string listed(const std::vector<byte>& program) {
    std::ostringstream out;
    printlisting(out, program, sourcemap());
    return out.str();
}

TEST(Listing, MalformedBytesAreSaidToBeSo) {
    EXPECT_EQ(listed({PUSHCONST, FLOAT, 0, 0, 0, 2, 0, 0, 0, 5, 200, LOADLOCAL, STRING, 'a'}),
              "   0  PUSHCONST 2.5\n"
              "  10  ? byte 200 is no instruction\n"
              "  11  LOADLOCAL \"a (no 0 ends the string)\n");
    EXPECT_EQ(listed({IF, CODE, 0, 0, 0, 10, PUSHCONST, LIST, STACK, DICT, INT, 0, 0, 0, 1, 255, CALL, ADD}),
              "   0  IF body of 10 bytes\n"
              "   6    PUSHCONST [stack, {1 (a key without its value)\n"
              "  16  CALL (operand runs past the end of the body)\n");
    EXPECT_EQ(listed({WHILE, CODE, 0, 0, 0, 9, ADD}), "  0  WHILE body of 9 bytes (the body runs past the end of the code)\n");
}

// Raw bytecode is reachable from source through a 0 inside a string literal: no bytes may crash the
// listing or make it read outside the program.
TEST(Listing, AnyBytesCanBeListed) {
    std::mt19937 random(11);
    const std::vector<byte> pieces = {PUSHCONST, CODE, LIST, DICT, STRING, FLOAT, INT, IF, 255, 0};
    for (int round = 0; round < 3000; ++round) {
        std::vector<byte> program(random() % 48);
        for (byte& b : program) b = random() % 3 ? pieces[random() % pieces.size()] : static_cast<byte>(random());
        listed(program);
    }
}

}  // namespace
