#include "vmtest.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;

// Runs a program that must finish and returns the machine as it left it.
std::unique_ptr<machine> finishes(const bytes& program) {
    runresult result = run(program);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.substr(0, 26), "\n<VESK 4> Program finished");
    return std::move(result.vm);
}

// The type and quoted text of what a program that must finish leaves on top of the data stack.
std::string toptext(const bytes& program) {
    auto vm = finishes(program);
    if (vm->datastack.empty()) return "(nothing)";
    variable* top = vm->datastack.back();
    return typetext(top->identifier) + " " + top->getstring(true);
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
    auto vm = finishes(binary(pushint(1), pushint(2), ADD) + binary(pushstring("a"), pushstring("b"), ADD));
    EXPECT_EQ(membernames(*vm, *vm->datastack[0]), "");
    EXPECT_EQ(membernames(*vm, *vm->datastack[1]), "get ");
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
    auto vm = freshmachine();
    variable* plain = vm->newint(1);
    vm->datastack = {plain};
    EXPECT_EQ(vm->popforreading(), plain);
    variable* text = vm->newstring("s");
    member(*vm, text, "get")->self = text;  // as after reading `text.get`
    vm->datastack = {text};
    variable* read = vm->popforreading();
    EXPECT_NE(read, text);
    EXPECT_EQ(read->stringval.view(), "s");

    auto pushdeep = [](machine& vm) {
        variable* deep = vm.newint(0);
        for (int level = 0; level < maxnesting; ++level) {
            variable* outer = vm.newint(0);
            vm.setmember(*outer, vm.name("a"), deep);
            deep = outer;
        }
        vm.datastack.push_back(deep);
    };
    for (opcode code : {LESS, EQUAL}) EXPECT_EQ(headline(run(pushint(1) + op(code), pushdeep)), machineerror("Nesting too deep."));
}

TEST(Logic, ReusesTheLeftOperand) {
    EXPECT_EQ(toptext(pushint(0) + op(NOT)), "BUILTIN_INT 1");
    EXPECT_EQ(toptext(pushint(5) + op(NOT)), "BUILTIN_INT 0");
    EXPECT_EQ(toptext(pushstring("0") + op(NOT)), "BUILTIN_INT 1");
    // the reused value keeps its other contents
    EXPECT_EQ(finishes(pushstring("0") + op(NOT))->datastack.back()->stringval.view(), "0");
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
    auto vm = finishes(pushint(5) + op(STORELOCAL, "x") + op(LOADLOCAL, "x") + pushint(6) + op(STOREGLOBAL, "g") +
                       op(LOADGLOBAL, "g"));
    auto& stack = vm->datastack;
    ASSERT_EQ(stack.size(), 2u);
    EXPECT_EQ(stack[0]->intval, 5);
    EXPECT_EQ(stack[0]->name.str(), "x");
    EXPECT_EQ(stack[1]->intval, 6);
    EXPECT_EQ(stack[1]->name.str(), "g");
    // outside any entered object a local is also a member of the program root, as a separate copy
    variable* local = vm->currentscope().find(vm->name("x"));
    EXPECT_EQ(member(*vm, vm->progroot, "x")->intval, 5);
    EXPECT_NE(member(*vm, vm->progroot, "x"), local);
    EXPECT_EQ(local->name.str(), "x");

    EXPECT_MACHINE_ERROR(op(LOADLOCAL, "nope"), machineerror("Local variable not found: nope"));
    EXPECT_MACHINE_ERROR(op(LOADGLOBAL, "nope"), machineerror("Global variable not found: nope"));
    EXPECT_MACHINE_ERROR(op(LOADATTR, "nope"),
                         machineerror("Attempted to get attribute of class even tho it does not exist: nope"));
    EXPECT_MACHINE_ERROR(op(STORELOCAL, "x"), machineerror("Data stack is empty."));
    EXPECT_MACHINE_ERROR(op(STOREGLOBAL, "x"), machineerror("Data stack is empty."));
    EXPECT_MACHINE_ERROR(op(STOREATTR, "x"), machineerror("Data stack is empty."));
    // a name operand may have any tag
    EXPECT_EQ(toptext(pushint(1) + op(STORELOCAL, intop(7)) + op(LOADLOCAL, stringop("7"))), "BUILTIN_INT 1");
}

TEST(Names, StoreLocalInsideAnEnteredObjectStaysInItsScope) {
    runresult result = run(op(PUSHCONST, bytes{CLASS}) + op(STOREATTR, "obj") + op(ENTERATTR, "obj") +
                           pushint(1) + op(STORELOCAL, "inner") + op(LOADLOCAL, "inner") + op(LEAVE) +
                           op(LOADLOCAL, "inner"));
    EXPECT_EQ(headline(result), machineerror("Local variable not found: inner"));
    EXPECT_EQ(member(*result.vm, result.vm->progroot, "inner"), nullptr);
}

TEST(Members, LoadAttrBindsTheObjectAndStoreAttrStores) {
    auto vm = finishes(op(PUSHCONST, bytes{CLASS}) + op(STOREATTR, "obj") + op(ENTERATTR, "obj") + pushint(3) +
                       op(STOREATTR, "n") + op(LOADATTR, "n") + op(LEAVE) + op(LOADATTR, "obj"));
    auto& stack = vm->datastack;
    ASSERT_EQ(stack.size(), 2u);
    variable* object = member(*vm, vm->progroot, "obj");
    EXPECT_EQ(stack[0]->intval, 3);
    EXPECT_EQ(stack[0]->self, object);
    EXPECT_NE(stack[0], member(*vm, object, "n"));  // a value kind is fetched as a copy
    EXPECT_EQ(stack[1], object);                    // a reference kind is the object itself
    EXPECT_EQ(object->self, vm->progroot);
    EXPECT_EQ(object->name.str(), "obj");
}

TEST(Objects, EnterLeaveAndLeaveAll) {
    auto enter = op(PUSHCONST, bytes{CLASS}) + op(ENTERTOP);
    auto vm = finishes(enter + enter + enter);
    EXPECT_EQ(vm->callstack.size(), 4u);
    EXPECT_EQ(vm->databasestack.size(), 4u);
    vm = finishes(enter + enter + op(LEAVEALL));
    EXPECT_EQ(vm->callstack.size(), 1u);
    EXPECT_EQ(vm->databasestack.size(), 1u);
    EXPECT_EQ(vm->callstack.back(), vm->progroot);
    std::string panic = "VESK 4 VM error: \nVM panic!\nCallstack size = 0, did you go out of root?                \n\n";
    EXPECT_EQ(run(op(LEAVE)).err.substr(0, panic.size()), panic);
    EXPECT_MACHINE_ERROR(op(ENTERATTR, "nope"),
                         machineerror("Attempted to get attribute of class even tho it does not exist: nope"));
    EXPECT_MACHINE_ERROR(op(ENTERTOP), machineerror("Data stack is empty."));
}

TEST(DataStack, CopiesDuplicatesAndDiscards) {
    auto vm = finishes(pushint(1) + op(PUSHCOPY));
    ASSERT_EQ(vm->datastack.size(), 2u);
    EXPECT_NE(vm->datastack[0], vm->datastack[1]);
    EXPECT_EQ(vm->datastack[1]->intval, 1);
    vm = finishes(pushint(1) + op(DUP));
    ASSERT_EQ(vm->datastack.size(), 2u);
    EXPECT_EQ(vm->datastack[0], vm->datastack[1]);
    EXPECT_TRUE(finishes(pushint(1) + op(POP))->datastack.empty());
    // a function is fetched as itself
    vm = finishes(op(PUSHCONST, codeop(op(WHILE, codeop({})))) + op(STORELOCAL, "f") + op(LOADLOCAL, "f") +
                  op(LOADLOCAL, "f"));
    EXPECT_EQ(vm->datastack[0], vm->datastack[1]);
    EXPECT_MACHINE_ERROR(op(POP), machineerror("Data stack is empty."));
    EXPECT_MACHINE_ERROR(op(DUP), machineerror("Data stack is empty."));
    EXPECT_MACHINE_ERROR(op(PUSHCOPY), machineerror("Data stack is empty."));
}

TEST(DataStack, StashAndUnstash) {
    auto vm = finishes(pushint(7) + op(STASH) + pushint(1) + pushint(2) + op(POP) + op(UNSTASH));
    ASSERT_EQ(vm->datastack.size(), 2u);
    EXPECT_EQ(vm->datastack[1]->intval, 7);
    EXPECT_TRUE(vm->memory.empty());
    EXPECT_MACHINE_ERROR(op(UNSTASH), machineerror("Nothing to unstash."));
    EXPECT_MACHINE_ERROR(op(STASH), machineerror("Data stack is empty."));
}

TEST(DataStack, AssignOverwritesInPlaceForEveryHolder) {
    // l = [ [1] ]: the element object is held by the list and by the local "e"
    auto vm = finishes(pushint(1) + op(PUSHCONST, bytes{LIST, STACK, 255}) + op(STORELOCAL, "e") +
                       op(LOADLOCAL, "e") + op(PUSHCONST, bytes{LIST, STACK, 255}) + op(STORELOCAL, "l") +
                       op(PUSHCONST, stringop("new")) + op(LOADLOCAL, "l") + op(ASSIGN) + op(LOADLOCAL, "l"));
    ASSERT_EQ(vm->datastack.size(), 1u);
    EXPECT_EQ(vm->datastack[0]->getstring(true), "\"new\"");
    EXPECT_EQ(vm->currentscope().find(vm->name("l"))->identifier, vtype::builtin_string);
    EXPECT_MACHINE_ERROR(pushint(1) + op(ASSIGN), machineerror("Data stack is empty."));
}

TEST(Pointers, PointToTheVeryObject) {
    auto vm = finishes(pushint(5) + op(STORELOCAL, "x") + op(PTRLOCAL, "x") + pushint(6) + op(STOREGLOBAL, "g") +
                       op(PTRGLOBAL, "g") + op(PUSHCONST, bytes{CLASS}) + op(STOREATTR, "c") + op(PTRATTR, "c") +
                       pushint(9) + op(PTRTOP));
    auto& stack = vm->datastack;
    ASSERT_EQ(stack.size(), 4u);
    EXPECT_EQ(stack[0]->pntrval(), member(*vm, vm->progroot, "x"));  // the program root is looked up first
    EXPECT_EQ(stack[0]->name.str(), "x");
    EXPECT_EQ(stack[1]->pntrval(), vm->globalvars.at(vm->name("g").key()));
    EXPECT_EQ(stack[2]->pntrval(), member(*vm, vm->progroot, "c"));
    EXPECT_EQ(stack[2]->self, vm->progroot);
    EXPECT_EQ(stack[3]->pntrval()->intval, 9);
    for (variable* pointer : stack) {
        EXPECT_EQ(pointer->identifier, vtype::builtin_pntr);
        EXPECT_EQ(membernames(*vm, *pointer), "get set ");
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
    EXPECT_EQ(toptext(pushint(4) + op(STORELOCAL, "v") + op(SAVESCOPE) + object + op(RESTORESCOPE) +
                      op(LOADLOCAL, "v")),
              "BUILTIN_INT 4");
    EXPECT_MACHINE_ERROR(op(RESTORESCOPE), machineerror("No saved scope to restore."));
}

TEST(Instructions, UnknownOpcodesAndTruncatedOperandsAreErrors) {
    for (int opcode : {42, 100, 255}) EXPECT_MACHINE_ERROR(bytes{byte(opcode)}, machineerror("Unknown instruction."));
    for (opcode code : {LOADLOCAL, STORELOCAL, ENTERATTR, CALL, LOADATTR, STOREATTR, LOADGLOBAL, STOREGLOBAL,
                        PUSHCONST, PTRLOCAL, PTRATTR, PTRGLOBAL, IF, WHILE, FOR})
        EXPECT_MACHINE_ERROR(op(code), machineerror("Operand runs past the end of the code."));
}

}  // namespace
