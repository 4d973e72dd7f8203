// Hostile bytecode: whatever the bytes, the machine ends through a report or the finish line, and prints
// the same when it collects far more often.

#include <random>

#include "vmtest.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;

// A byte that is often an opcode, a tag, a small operand or a terminator.
byte plausible(std::mt19937& random) {
    static const byte favourites[] = {0, 1, 2, 3, 4, 5, 6, 7, 9, 14, 16, 26, 27, 33, 34, 37, 38, 39, 40, 41, 255};
    if (random() % 3 == 0) return static_cast<byte>(random());
    return favourites[random() % sizeof favourites];
}

void expectclean(const bytes& program) {
    runresult result = run(program);
    bool finished = result.out.find("<VESK 4> Program finished") != std::string::npos;
    bool reported = result.err.find("VESK 4 VM error") != std::string::npos;
    EXPECT_TRUE(finished != reported);
    // Collecting before every instruction would make each of the deepest recursions cost seconds; a
    // threshold of 1 still collects after nearly every new value while few values are live.
    runresult collected = run(program, [](machine& vm) { vm.gc.setthreshold(1); });
    EXPECT_EQ(collected.out, result.out);
    EXPECT_EQ(collected.err, result.err);
    EXPECT_EQ(collected.status, result.status);
}

TEST(Fuzz, RandomBytes) {
    std::mt19937 random(20240601);
    for (int round = 0; round < 1500; ++round) {
        bytes program(random() % 40);
        for (byte& b : program) b = plausible(random);
        expectclean(program);
    }
}

TEST(Fuzz, MutatedPrograms) {
    auto f = op(LOADLOCAL, "arg0") + op(STORELOCAL, "n") + op(LOADLOCAL, "n") +
             op(IF, codeop(pushint(1) + op(LOADLOCAL, "n") + op(SUB) + op(LOADLOCAL, "f") + call(1)));
    auto list = pushint(1) + pushint(2) + op(PUSHCONST, bytes{LIST, STACK, STACK, 255}) + op(STORELOCAL, "l");
    const bytes seed = op(PUSHCONST, codeop(f)) + op(STORELOCAL, "f") + pushint(3) + op(LOADLOCAL, "f") + call(1) +
                       list + op(LOADLOCAL, "l") + op(FOR, codeop(op(LOADLOCAL, "ELEMENT") + op(POP))) +
                       op(PUSHCONST, bytes{DICT} + stringop("k") + floatop(1, 5) + bytes{255}) + op(DUP) +
                       op(ENTERTOP) + op(LOADATTR, "keys") + op(LEAVE) + call(0) + pushint(0) +
                       op(WHILE, codeop(pushint(0))) + op(SAVESCOPE) + op(RESTORESCOPE) + pushint(7);
    EXPECT_EQ(run(seed).out, "\n<VESK 4> Program finished with code 7\n");
    std::mt19937 random(77);
    for (int round = 0; round < 1500; ++round) {
        bytes program = seed;
        for (int change = 1 + static_cast<int>(random() % 4); change > 0; --change) {
            std::size_t at = random() % program.size();
            switch (random() % 3) {
                case 0:
                    program[at] = plausible(random);
                    break;
                case 1:
                    program.erase(program.begin() + static_cast<std::ptrdiff_t>(at));
                    break;
                default:
                    program.insert(program.begin() + static_cast<std::ptrdiff_t>(at), plausible(random));
                    break;
            }
        }
        expectclean(program);
    }
}

}  // namespace
