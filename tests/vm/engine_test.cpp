#include "vm/engine.hpp"

#include "vm/moduleapi.hpp"
#include "vm/state.hpp"
#include "vm/values.hpp"
#include "machine.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;

// Runs a program that must finish and returns the data stack it left, bottom first.
std::vector<variable*> leaves(const bytes& program) {
    runresult result = run(program);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.substr(0, 26), "\n<VESK 4> Program finished");
    return datastack;
}

variable* top(const bytes& program) {
    auto stack = leaves(program);
    return stack.empty() ? nullptr : stack.back();
}

std::string toptext(const bytes& program) {
    variable* value = top(program);
    return value ? typetext(value->identifier) + " " + value->getstring(true) : "(nothing)";
}

// left on top, right below it
bytes binary(const bytes& left, const bytes& right, opcode code) { return right + left + op(code); }

TEST(Arithmetic, ConcatenatesStringsAndComputesNumbers) {
    EXPECT_EQ(toptext(binary(pushstring("ab"), pushstring("cd"), ADD)), "BUILTIN_STRING \"abcd\"");
    EXPECT_EQ(toptext(binary(pushstring("5"), pushint(2), ADD)), "BUILTIN_INT 7");
    EXPECT_EQ(toptext(binary(pushint(2), pushfloat(0, 5), ADD)), "BUILTIN_FLOAT 2.500000");
    EXPECT_EQ(toptext(binary(pushint(10), pushint(4), SUB)), "BUILTIN_INT 6");
    EXPECT_EQ(toptext(binary(pushstring("3"), pushint(1), SUB)), "BUILTIN_INT 2");
    EXPECT_EQ(toptext(binary(pushint(6), pushint(7), MUL)), "BUILTIN_INT 42");
    EXPECT_EQ(toptext(binary(pushint(7), pushint(2), DIV)), "BUILTIN_INT 3");
    EXPECT_EQ(toptext(binary(pushint(-7), pushint(2), DIV)), "BUILTIN_INT -3");
    EXPECT_EQ(toptext(binary(pushfloat(7, 0), pushint(2), DIV)), "BUILTIN_FLOAT 3.500000");
    // single precision: 2^24 + 1 is not representable
    EXPECT_EQ(toptext(binary(pushint(16777217), pushint(0), ADD)), "BUILTIN_INT 16777216");
    EXPECT_TRUE(datastack.back()->attributes.empty());
    EXPECT_EQ(top(binary(pushstring("a"), pushstring("b"), ADD))->attributes.count("get"), 1u);
}

TEST(Arithmetic, ReportsIntegerFaultsButNotFloatOnes) {
    EXPECT_MACHINE_ERROR(binary(pushint(1), pushint(0), DIV), machineerror("Division by zero."));
    EXPECT_MACHINE_ERROR(binary(pushint(1), pushstring("0x"), DIV), machineerror("Division by zero."));
    EXPECT_MACHINE_ERROR(binary(pushint(2147483647), pushint(0), ADD), machineerror("Integer overflow."));
    EXPECT_MACHINE_ERROR(binary(pushint(65536), pushint(65536), MUL), machineerror("Integer overflow."));
    EXPECT_EQ(toptext(binary(pushint(-2147483647 - 1), pushint(0), ADD)), "BUILTIN_INT -2147483648");
    EXPECT_EQ(toptext(binary(pushfloat(1, 0), pushint(0), DIV)), "BUILTIN_FLOAT inf");
    EXPECT_MACHINE_ERROR(binary(pushint(1), op(PUSHCONST, bytes{CLASS}), ADD),
                         machineerror("Unsupported type: CUSTOM_CLASS"));
    // the left operand is converted first
    EXPECT_MACHINE_ERROR(binary(pushstring("x"), pushstring("y"), SUB), machineerror("Not a number: x"));
    EXPECT_MACHINE_ERROR(op(ADD), machineerror("Data stack is empty."));
    EXPECT_MACHINE_ERROR(pushint(1) + op(ADD), machineerror("Data stack is empty."));
}

TEST(Comparison, ComparesNumericReadings) {
    EXPECT_EQ(toptext(binary(pushint(1), pushint(2), LESS)), "BUILTIN_INT 1");
    EXPECT_EQ(toptext(binary(pushint(1), pushint(2), GREATER)), "BUILTIN_INT 0");
    EXPECT_EQ(toptext(binary(pushint(2), pushint(2), GREATEREQ)), "BUILTIN_INT 1");
    EXPECT_EQ(toptext(binary(pushint(2), pushint(2), LESSEQ)), "BUILTIN_INT 1");
    EXPECT_EQ(toptext(binary(pushstring("10"), pushint(9), GREATER)), "BUILTIN_INT 1");
    EXPECT_EQ(toptext(binary(pushstring("a"), pushstring("a"), EQUAL)), "BUILTIN_INT 1");
    EXPECT_EQ(toptext(binary(pushint(1), pushfloat(1, 0), EQUAL)), "BUILTIN_INT 1");
    EXPECT_EQ(toptext(binary(pushint(1), pushint(2), EQUAL)), "BUILTIN_INT 0");
    EXPECT_EQ(toptext(binary(pushstring("a"), pushint(0), EQUAL)), "BUILTIN_INT 0");
    EXPECT_MACHINE_ERROR(binary(pushstring("a"), pushint(0), LESS), machineerror("Not a number: a"));
}

// Operands that are only read are not copied, unless copying them could fail.
TEST(Comparison, ReadsOperandsWithoutCopiesThatCannotFail) {
    freshmachine();
    variable* plain = newint(1);
    datastack = {plain};
    EXPECT_EQ(popforreading(), plain);
    variable* text = newstring("s");
    text->attributes["get"]->self = text;  // as after reading `text.get`
    datastack = {text};
    variable* read = popforreading();
    EXPECT_NE(read, text);
    EXPECT_EQ(read->stringval, "s");

    auto pushdeep = [] {
        variable* deep = newint(0);
        for (int level = 0; level < maxnesting; ++level) {
            variable* outer = newint(0);
            outer->attributes["a"] = deep;
            deep = outer;
        }
        datastack.push_back(deep);
    };
    for (opcode code : {LESS, EQUAL}) EXPECT_EQ(headline(run(pushint(1) + op(code), pushdeep)), machineerror("Nesting too deep."));
}

TEST(Logic, ReusesTheLeftOperand) {
    EXPECT_EQ(toptext(pushint(0) + op(NOT)), "BUILTIN_INT 1");
    EXPECT_EQ(toptext(pushint(5) + op(NOT)), "BUILTIN_INT 0");
    EXPECT_EQ(toptext(pushstring("0") + op(NOT)), "BUILTIN_INT 1");
    EXPECT_EQ(datastack.back()->stringval, "0");  // the reused value keeps its other contents
    EXPECT_EQ(toptext(binary(pushint(2), pushint(3), AND)), "BUILTIN_INT 1");
    EXPECT_EQ(toptext(binary(pushint(0), pushint(3), AND)), "BUILTIN_INT 0");
    EXPECT_EQ(toptext(binary(pushint(0), pushint(3), OR)), "BUILTIN_INT 1");
    EXPECT_EQ(toptext(binary(pushint(0), pushint(0), OR)), "BUILTIN_INT 0");
    EXPECT_EQ(toptext(binary(pushint(6), pushint(3), XOR)), "BUILTIN_INT 5");
    EXPECT_EQ(toptext(binary(pushint(0), pushint(0), NOR)), "BUILTIN_INT 1");
    EXPECT_EQ(toptext(binary(pushint(0), pushint(1), NOR)), "BUILTIN_INT 0");
    // the right operand is read only when it decides the result
    EXPECT_EQ(toptext(binary(pushint(0), pushstring("x"), AND)), "BUILTIN_INT 0");
    EXPECT_EQ(toptext(binary(pushint(1), pushstring("x"), OR)), "BUILTIN_INT 1");
    EXPECT_MACHINE_ERROR(binary(pushint(1), pushstring("x"), AND), machineerror("Not a number: x"));
    EXPECT_MACHINE_ERROR(binary(pushint(0), op(PUSHCONST, bytes{CLASS}), XOR),
                         machineerror("Unsupported type: CUSTOM_CLASS"));
}

TEST(Names, StoresAndLoadsLocalsGlobalsAndMembers) {
    auto stack = leaves(pushint(5) + op(STORELOCAL, "x") + op(LOADLOCAL, "x") + pushint(6) +
                        op(STOREGLOBAL, "g") + op(LOADGLOBAL, "g"));
    ASSERT_EQ(stack.size(), 2u);
    EXPECT_EQ(stack[0]->intval, 5);
    EXPECT_EQ(stack[0]->name, "x");
    EXPECT_EQ(stack[1]->intval, 6);
    EXPECT_EQ(stack[1]->name, "g");
    // outside any entered object a local is also a member of the program root, as a separate copy
    EXPECT_EQ(progroot->attributes.at("x")->intval, 5);
    EXPECT_NE(progroot->attributes.at("x"), databasestack.back().find("x"));
    EXPECT_EQ(databasestack.back().find("x")->name, "x");

    EXPECT_MACHINE_ERROR(op(LOADLOCAL, "nope"), machineerror("Local variable not found: nope"));
    EXPECT_MACHINE_ERROR(op(LOADGLOBAL, "nope"), machineerror("Global variable not found: nope"));
    EXPECT_MACHINE_ERROR(op(LOADATTR, "nope"),
                         machineerror("Attempted to get attribute of class even tho it does not exist: nope"));
    EXPECT_MACHINE_ERROR(op(STORELOCAL, "x"), machineerror("Data stack is empty."));
    EXPECT_MACHINE_ERROR(op(STOREGLOBAL, "x"), machineerror("Data stack is empty."));
    EXPECT_MACHINE_ERROR(op(STOREATTR, "x"), machineerror("Data stack is empty."));
    // a name operand may have any tag
    EXPECT_EQ(top(pushint(1) + op(STORELOCAL, intop(7)) + op(LOADLOCAL, stringop("7")))->intval, 1);
}

TEST(Names, StoreLocalInsideAnEnteredObjectStaysInItsScope) {
    runresult result = run(op(PUSHCONST, bytes{CLASS}) + op(STOREATTR, "obj") + op(ENTERATTR, "obj") +
                           pushint(1) + op(STORELOCAL, "inner") + op(LOADLOCAL, "inner") + op(LEAVE) +
                           op(LOADLOCAL, "inner"));
    EXPECT_EQ(headline(result), machineerror("Local variable not found: inner"));
    EXPECT_EQ(progroot->attributes.count("inner"), 0u);
}

TEST(Members, LoadAttrBindsTheObjectAndStoreAttrStores) {
    auto stack = leaves(op(PUSHCONST, bytes{CLASS}) + op(STOREATTR, "obj") + op(ENTERATTR, "obj") +
                        pushint(3) + op(STOREATTR, "n") + op(LOADATTR, "n") + op(LEAVE) + op(LOADATTR, "obj"));
    ASSERT_EQ(stack.size(), 2u);
    variable* object = progroot->attributes.at("obj");
    EXPECT_EQ(stack[0]->intval, 3);
    EXPECT_EQ(stack[0]->self, object);
    EXPECT_NE(stack[0], object->attributes.at("n"));  // a value kind is fetched as a copy
    EXPECT_EQ(stack[1], object);                      // a reference kind is the object itself
    EXPECT_EQ(object->self, progroot);
    EXPECT_EQ(object->name, "obj");
}

TEST(Objects, EnterLeaveAndLeaveAll) {
    auto enter = op(PUSHCONST, bytes{CLASS}) + op(ENTERTOP);
    run(enter + enter + enter);
    EXPECT_EQ(callstack.size(), 4u);
    EXPECT_EQ(databasestack.size(), 4u);
    run(enter + enter + op(LEAVEALL));
    EXPECT_EQ(callstack.size(), 1u);
    EXPECT_EQ(databasestack.size(), 1u);
    EXPECT_EQ(callstack.back(), progroot);
    std::string panic = "VESK 4 VM error: \nVM panic!\nCallstack size = 0, did you go out of root?                \n\n";
    EXPECT_EQ(run(op(LEAVE)).err.substr(0, panic.size()), panic);
    EXPECT_MACHINE_ERROR(op(ENTERATTR, "nope"),
                         machineerror("Attempted to get attribute of class even tho it does not exist: nope"));
    EXPECT_MACHINE_ERROR(op(ENTERTOP), machineerror("Data stack is empty."));
}

TEST(DataStack, CopiesDuplicatesAndDiscards) {
    auto stack = leaves(pushint(1) + op(PUSHCOPY));
    ASSERT_EQ(stack.size(), 2u);
    EXPECT_NE(stack[0], stack[1]);
    EXPECT_EQ(stack[1]->intval, 1);
    stack = leaves(pushint(1) + op(DUP));
    ASSERT_EQ(stack.size(), 2u);
    EXPECT_EQ(stack[0], stack[1]);
    EXPECT_TRUE(leaves(pushint(1) + op(POP)).empty());
    // every run of PUSHCONST makes a new value
    stack = leaves(op(PUSHCONST, codeop(op(WHILE, codeop({})))) + op(STORELOCAL, "f") + op(LOADLOCAL, "f") +
                   op(LOADLOCAL, "f"));
    EXPECT_EQ(stack[0], stack[1]);
    EXPECT_MACHINE_ERROR(op(POP), machineerror("Data stack is empty."));
    EXPECT_MACHINE_ERROR(op(DUP), machineerror("Data stack is empty."));
    EXPECT_MACHINE_ERROR(op(PUSHCOPY), machineerror("Data stack is empty."));
}

TEST(DataStack, StashAndUnstash) {
    auto stack = leaves(pushint(7) + op(STASH) + pushint(1) + pushint(2) + op(POP) + op(UNSTASH));
    ASSERT_EQ(stack.size(), 2u);
    EXPECT_EQ(stack[1]->intval, 7);
    EXPECT_TRUE(memory.empty());
    EXPECT_MACHINE_ERROR(op(UNSTASH), machineerror("Nothing to unstash."));
    EXPECT_MACHINE_ERROR(op(STASH), machineerror("Data stack is empty."));
}

TEST(DataStack, AssignOverwritesInPlaceForEveryHolder) {
    // l = [ [1] ]: the element object is held by the list and by the local "e"
    auto stack = leaves(pushint(1) + op(PUSHCONST, bytes{LIST, STACK, 255}) + op(STORELOCAL, "e") +
                        op(LOADLOCAL, "e") + op(PUSHCONST, bytes{LIST, STACK, 255}) + op(STORELOCAL, "l") +
                        op(PUSHCONST, stringop("new")) + op(LOADLOCAL, "l") + op(ASSIGN) + op(LOADLOCAL, "l"));
    ASSERT_EQ(stack.size(), 1u);
    EXPECT_EQ(stack[0]->getstring(true), "\"new\"");
    EXPECT_EQ(databasestack.back().find("l")->identifier, vtype::builtin_string);
    EXPECT_MACHINE_ERROR(pushint(1) + op(ASSIGN), machineerror("Data stack is empty."));
}

TEST(Pointers, PointToTheVeryObject) {
    auto stack = leaves(pushint(5) + op(STORELOCAL, "x") + op(PTRLOCAL, "x") + pushint(6) + op(STOREGLOBAL, "g") +
                        op(PTRGLOBAL, "g") + op(PUSHCONST, bytes{CLASS}) + op(STOREATTR, "c") +
                        op(PTRATTR, "c") + pushint(9) + op(PTRTOP));
    ASSERT_EQ(stack.size(), 4u);
    EXPECT_EQ(stack[0]->pntrval, progroot->attributes.at("x"));  // the program root is looked up first
    EXPECT_EQ(stack[0]->name, "x");
    EXPECT_EQ(stack[1]->pntrval, globalvars.at("g"));
    EXPECT_EQ(stack[2]->pntrval, progroot->attributes.at("c"));
    EXPECT_EQ(stack[2]->self, progroot);
    EXPECT_EQ(stack[3]->pntrval->intval, 9);
    for (variable* pointer : stack) {
        EXPECT_EQ(pointer->identifier, vtype::builtin_pntr);
        EXPECT_EQ(pointer->attributes.count("get") + pointer->attributes.count("set"), 2u);
    }
    EXPECT_MACHINE_ERROR(op(PTRLOCAL, "no"), machineerror("Local variable not found: no"));
    EXPECT_MACHINE_ERROR(op(PTRGLOBAL, "no"), machineerror("Global variable not found: no"));
    EXPECT_MACHINE_ERROR(op(PTRATTR, "no"),
                         machineerror("Attempted to get attribute of class even tho it does not exist: no"));
    EXPECT_MACHINE_ERROR(op(PTRTOP), machineerror("Data stack is empty."));
}

TEST(Scopes, SaveAndRestoreTheNewestScope) {
    // a value stored after SAVESCOPE is gone after RESTORESCOPE; the saved scope is kept
    auto object = op(PUSHCONST, bytes{CLASS}) + op(ENTERTOP);
    runresult result = run(object + pushint(1) + op(STORELOCAL, "a") + op(SAVESCOPE) + pushint(2) +
                           op(STORELOCAL, "b") + op(RESTORESCOPE) + op(LOADLOCAL, "a") + op(RESTORESCOPE) +
                           op(LOADLOCAL, "b"));
    EXPECT_EQ(headline(result), machineerror("Local variable not found: b"));
    // the caller's locals become visible inside an entered object
    auto stack = leaves(pushint(4) + op(STORELOCAL, "v") + op(SAVESCOPE) + object + op(RESTORESCOPE) +
                        op(LOADLOCAL, "v"));
    EXPECT_EQ(stack.back()->intval, 4);
    EXPECT_MACHINE_ERROR(op(RESTORESCOPE), machineerror("No saved scope to restore."));
}

TEST(Instructions, UnknownOpcodesAndTruncatedOperandsAreErrors) {
    for (int opcode : {42, 100, 255}) EXPECT_MACHINE_ERROR(bytes{byte(opcode)}, machineerror("Unknown instruction."));
    for (opcode code : {LOADLOCAL, STORELOCAL, ENTERATTR, CALL, LOADATTR, STOREATTR, LOADGLOBAL, STOREGLOBAL,
                        PUSHCONST, PTRLOCAL, PTRATTR, PTRGLOBAL, IF, WHILE, FOR})
        EXPECT_MACHINE_ERROR(op(code), machineerror("Operand runs past the end of the code."));
}

TEST(Helpers, RangesArithmeticAndComparisons) {
    EXPECT_TRUE(inrange(0, 4, 3));
    EXPECT_FALSE(inrange(0, 4, 4));
    EXPECT_EQ(doarithmetic(1.5f, 2, '*'), 3.0f);
    EXPECT_TRUE(docomparisment(2, 1, 0));
    EXPECT_TRUE(docomparisment(1, 1, 3));
    EXPECT_FALSE(logical_nor(1, 0));
}

}  // namespace
