#include "vmtest.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;

// What a run leaves that fused runs must not change: the output, and every value left on the data
// stack with its serial.
std::string outcome(const bytes& program, bool fusing) {
    runresult result = run(program, [fusing](machine& vm) { vm.fusing = fusing; });
    std::string seen = result.out + result.err;
    for (const variable* value : result.vm->datastack)
        seen += "\n" + std::to_string(value->serial) + " " + value->getstring(true);
    return seen;
}

// p.set(5) as the compiler writes it, with `between` run after the method is fetched and stashed,
// while the copy of the pointer is the object entered.
bytes pointerset(const bytes& between, const bytes& call = vmtest::call(1)) {
    return pushint(1) + op(STORELOCAL, "n") + op(PTRLOCAL, "n") + op(STORELOCAL, "p") + op(SAVESCOPE) +
           op(LOADLOCAL, "p") + op(ENTERTOP) + op(LOADATTR, "set") + op(RESTORESCOPE) + op(STASH) + between +
           op(SAVESCOPE) + pushint(5) + op(UNSTASH) + call + op(SAVESCOPE) + op(LEAVE) + op(LOADLOCAL, "n") +
           op(LOADLOCAL, "p");
}

// A method called on a copy of a local is fetched without being made while nothing can tell; whatever
// reads the entered copy first, or takes the method off the memory stack, finds it as it would be.
TEST(FusedRuns, AMethodCalledOnACopyActsAsIfMadeWhenFetched) {
    const bytes cases[] = {
        pointerset({}),
        pointerset(op(LOADATTR, "set")),                                      // the same method again
        pointerset(op(PTRATTR, "get") + op(PUSHCONST, bytes{CLASS}) + op(STOREATTR, "set")),
        pointerset(op(UNSTASH) + op(DUP) + op(STASH) + op(STASH)),             // the method itself
        pointerset(op(SAVESCOPE) + op(LEAVE) + pushint(2) + op(PTRLOCAL, "n") + op(ENTERTOP) +
                   op(LOADATTR, "set") + op(RESTORESCOPE) + op(STASH) + op(UNSTASH) + vmtest::call(1)),
        pointerset({}, vmtest::call(0)),                                      // the native fails
    };
    for (const bytes& program : cases) EXPECT_EQ(outcome(program, true), outcome(program, false));
}

}  // namespace
