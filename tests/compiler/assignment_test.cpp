#include "compiler/assignment.hpp"

#include "bytecode/opcodes.hpp"
#include "compilerun.hpp"

using namespace bytecode;

namespace {

bytes target(const std::string& text) {
    return emittedby([&](compilation& c) { emitstore(c, text); }).code;
}

bytes named(byte opcode, const std::string& name) { return B(opcode, STRING) + str(name); }
bytes method(const std::string& name, int count) {
    return B(ENTERTOP) + named(LOADATTR, name) + B(CALL, INT) + i32(count) + B(LEAVE);
}
const bytes newclass = B(PUSHCONST, CLASS);

TEST(Assignment, PlainNamesGetAFreshObjectThenSet) {
    EXPECT_EQ(compiled("x = 5"), B(SAVESCOPE, PUSHCONST, INT) + i32(5) + B(SAVESCOPE) + newclass +
                                     named(STORELOCAL, "x") + named(PTRLOCAL, "x") + method("set", 1));
    EXPECT_EQ(target("Gcount"),
              B(SAVESCOPE) + newclass + named(STOREGLOBAL, "count") + named(PTRGLOBAL, "count") + method("set", 1));
    EXPECT_EQ(target("@m"), B(SAVESCOPE) + newclass + named(STOREATTR, "m") + named(PTRATTR, "m") + method("set", 1));
}

TEST(Assignment, MemberPaths) {
    EXPECT_EQ(target("Gprogroot.strings"), B(SAVESCOPE) + named(PTRGLOBAL, "progroot") + method("get", 0) +
                                               B(ENTERTOP) + newclass + named(STOREATTR, "strings") +
                                               named(PTRATTR, "strings") + B(LEAVE) + method("set", 1));
    EXPECT_EQ(target("a.b.c"), B(SAVESCOPE) + named(PTRLOCAL, "a") + method("get", 0) + B(ENTERTOP) +
                                   named(ENTERATTR, "b") + newclass + named(STOREATTR, "c") + named(PTRATTR, "c") +
                                   B(LEAVE, LEAVE) + method("set", 1));
}

TEST(Assignment, IndexesAndCalls) {
    bytes index = B(RESTORESCOPE, STASH, SAVESCOPE, PUSHCONST, INT) + i32(0) + B(UNSTASH, CALL, INT) + i32(1) +
                  B(SAVESCOPE);
    EXPECT_EQ(target("x[0]"),
              B(SAVESCOPE) + named(PTRLOCAL, "x") + method("get", 0) + named(PTRATTR, "set") + index + method("set", 1));
    EXPECT_EQ(target("x[]"), B(SAVESCOPE) + named(PTRLOCAL, "x") + method("get", 0) + named(PTRATTR, "set") +
                                 B(RESTORESCOPE, STASH, UNSTASH, CALL, INT) + i32(0) + B(SAVESCOPE) + method("set", 1));
    EXPECT_EQ(target("x[0][1]"), B(SAVESCOPE) + named(PTRLOCAL, "x") + method("get", 0) + named(PTRATTR, "get") +
                                     index + B(PTRTOP) + named(PTRATTR, "set") +
                                     B(RESTORESCOPE, STASH, SAVESCOPE, PUSHCONST, INT) + i32(1) +
                                     B(UNSTASH, CALL, INT) + i32(1) + B(SAVESCOPE) + method("set", 1));
    EXPECT_EQ(target("f()"), B(SAVESCOPE) + named(PTRLOCAL, "f") + method("get", 0) +
                                 B(RESTORESCOPE, STASH, UNSTASH, CALL, INT) + i32(0) + B(SAVESCOPE, PTRTOP) +
                                 method("set", 1));
}

TEST(Assignment, EmptyTargetIsAnError) {
    EXPECT_EQ(errormessage(emittedby([](compilation& c) { emitstore(c, ""); })), "handleset: name empty!");
}

}  // namespace
