#include "vm/calls.hpp"

#include "vmtest.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;

bytes define(const std::string& name, const bytes& body) {
    return op(PUSHCONST, codeop(body)) + op(STORELOCAL, name);
}

bytes callnamed(const std::string& name, int argnum) { return op(LOADLOCAL, name) + call(argnum); }

bytes newobject() { return op(PUSHCONST, bytes{CLASS}) + op(ENTERTOP); }

std::vector<std::int32_t> ints(const std::vector<variable*>& values) {
    std::vector<std::int32_t> result;
    for (variable* value : values) result.push_back(value->getint());
    return result;
}

// Runs a program that must finish without a report and returns the machine as it left it.
std::unique_ptr<machine> finishes(const bytes& program) {
    runresult result = run(program);
    EXPECT_EQ(result.err, "");
    return std::move(result.vm);
}

std::size_t entries(const scope& names) {
    std::size_t count = 0;
    names.foreachvalue([&](variable*) { ++count; });
    return count;
}

TEST(Call, NamesArgumentsInSourceOrder) {
    auto vm = finishes(define("f", op(LOADLOCAL, "arg0") + op(LOADLOCAL, "arg1") + op(LOADLOCAL, "arg2")) +
                       pushint(1) + pushint(2) + pushint(3) + callnamed("f", 3));
    EXPECT_EQ(ints(vm->datastack), (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(vm->codestack.size(), 1u);
    EXPECT_EQ(vm->calltrace.size(), 1u);
    EXPECT_EQ(vm->databasestack.size(), 1u);
    EXPECT_EQ(entries(vm->databasestack.back()), 1u);  // "f" only: the arguments stayed in the call's scope
    EXPECT_EQ(entries(vm->lastdeldatabase), 3u);
}

TEST(Call, ArgumentsAreTheObjectsThemselves) {
    auto vm = finishes(op(PUSHCONST, bytes{LIST, 255}) + op(STORELOCAL, "l") + define("f", op(LOADLOCAL, "arg0")) +
                       op(LOADLOCAL, "l") + callnamed("f", 1));
    EXPECT_EQ(vm->datastack.back(), member(*vm, vm->progroot, "l"));
}

TEST(Call, ReceiverOnlyWhenBound) {
    // called as a member: "self" is the object it was fetched from
    auto vm = finishes(define("f", op(LOADLOCAL, "self")) + op(LOADATTR, "f") + call(0));
    EXPECT_EQ(vm->datastack.back(), vm->progroot);
    // called by name: no receiver at all
    EXPECT_EQ(headline(run(define("g", op(LOADLOCAL, "self")) + callnamed("g", 0))),
              machineerror("Local variable not found: self"));
    // a block keeps the enclosing "self"
    vm = finishes(define("f", pushint(1) + op(IF, codeop(op(LOADLOCAL, "self")))) + op(LOADATTR, "f") + call(0));
    EXPECT_EQ(vm->datastack.back(), vm->progroot);
}

TEST(Call, BodyWithoutReturnContinuesTheCaller) {
    EXPECT_EQ(ints(finishes(define("f", {}) + callnamed("f", 0) + pushint(9))->datastack),
              std::vector<std::int32_t>{9});
    EXPECT_MACHINE_ERROR(op(PUSHCONST, bytes{CLASS}) + op(STORELOCAL, "x") + define("f", {}) + callnamed("f", 0) +
                             op(STORELOCAL, "x"),
                         machineerror("Data stack is empty."));
    EXPECT_MACHINE_ERROR(call(0), machineerror("Data stack is empty."));
    EXPECT_MACHINE_ERROR(define("f", {}) + callnamed("f", 2), machineerror("Data stack is empty."));
}

TEST(Return, LeavesTheInnermostBodyOnly) {
    runresult result = run(pushint(4) + op(RETURN) + pushint(5));
    EXPECT_EQ(result.out, "\n<VESK 4> Program finished with code 4\n");
    auto vm = finishes(define("f", pushint(1) + op(IF, codeop(pushint(7) + op(RETURN) + pushint(8))) + pushint(9)) +
                       callnamed("f", 0));
    EXPECT_EQ(ints(vm->datastack), (std::vector<std::int32_t>{7, 9}));
}

TEST(Classes, CallingAClassMakesAnIndependentInstance) {
    auto classbody = op(PUSHCONST, bytes{CLASS}) + op(STORELOCAL, "C") + op(LOADLOCAL, "C") + op(ENTERTOP) +
                     pushint(1) + op(STOREATTR, "n") + op(LEAVE);
    auto vm = finishes(classbody + callnamed("C", 0) + callnamed("C", 0));
    ASSERT_EQ(vm->datastack.size(), 2u);
    variable* cls = vm->currentscope().find(vm->name("C"));
    for (variable* instance : vm->datastack) {
        EXPECT_EQ(instance->identifier, vtype::custom_class);
        EXPECT_NE(instance, cls);
        EXPECT_EQ(member(*vm, instance, "n")->intval, 1);
        EXPECT_NE(member(*vm, instance, "n"), member(*vm, cls, "n"));
    }
    EXPECT_NE(member(*vm, vm->datastack[0], "n"), member(*vm, vm->datastack[1], "n"));
    EXPECT_EQ(vm->calltrace.size(), 1u);
}

TEST(Classes, ConstructorRunsOnTheInstanceBeforeItIsPushed) {
    // init(v): self.v = arg0, and leaves 5 behind
    auto init = op(LOADLOCAL, "arg0") + op(LOADLOCAL, "self") + op(ENTERTOP) + op(STOREATTR, "v") + op(LEAVE) +
                pushint(5);
    auto program = op(PUSHCONST, bytes{CLASS}) + op(STORELOCAL, "C") + op(LOADLOCAL, "C") + op(ENTERTOP) +
                   op(PUSHCONST, codeop(init)) + op(STOREATTR, "init") + op(LEAVE) + pushint(42) +
                   callnamed("C", 1);
    auto vm = finishes(program);
    ASSERT_EQ(vm->datastack.size(), 2u);
    EXPECT_EQ(vm->datastack[0]->intval, 5);
    EXPECT_EQ(member(*vm, vm->datastack[1], "v")->intval, 42);
    EXPECT_EQ(member(*vm, vm->currentscope().find(vm->name("C")), "v"), nullptr);
    EXPECT_EQ(vm->calltrace.size(), 1u);
    EXPECT_EQ(vm->codestack.size(), 1u);
}

TEST(If, RunsTheBodyOnlyForANonZeroCondition) {
    EXPECT_TRUE(finishes(pushint(0) + op(IF, codeop(pushint(1))))->datastack.empty());
    EXPECT_EQ(ints(finishes(pushint(2) + op(IF, codeop(pushint(1))))->datastack), std::vector<std::int32_t>{1});
    EXPECT_MACHINE_ERROR(op(IF, codeop({})), machineerror("Data stack is empty."));
    EXPECT_MACHINE_ERROR(op(PUSHCONST, bytes{CLASS}) + op(IF, codeop({})),
                         machineerror("Unsupported type: CUSTOM_CLASS"));
}

TEST(If, NamesStoredInsideAnEnteredObjectAreDiscarded) {
    auto body = pushint(3) + op(STORELOCAL, "inner");
    EXPECT_MACHINE_ERROR(newobject() + pushint(1) + op(IF, codeop(body)) + op(LOADLOCAL, "inner"),
                         machineerror("Local variable not found: inner"));
}

TEST(If, NamesStoredInAPlainFunctionPersistThroughTheProgramRoot) {
    // no object is entered inside a plain function, so the store lands on the program root too
    auto f = pushint(1) + op(IF, codeop(pushint(3) + op(STORELOCAL, "inner"))) + op(LOADLOCAL, "inner");
    EXPECT_EQ(ints(finishes(define("f", f) + callnamed("f", 0) + op(LOADLOCAL, "inner"))->datastack),
              (std::vector<std::int32_t>{3, 3}));
}

TEST(While, CarriesNamesFromOneIterationToTheNext) {
    // inside an object: i = 0; while i < 3: i = i + 1; last = i
    auto body = pushint(1) + op(LOADLOCAL, "i") + op(ADD) + op(STORELOCAL, "i") + op(LOADLOCAL, "i") +
                op(STOREGLOBAL, "last") + pushint(3) + op(LOADLOCAL, "i") + op(LESS);
    auto vm = finishes(newobject() + pushint(0) + op(STORELOCAL, "i") + pushint(1) + op(WHILE, codeop(body)) +
                       op(LOADGLOBAL, "last") + op(LOADLOCAL, "i"));
    EXPECT_EQ(ints(vm->datastack), (std::vector<std::int32_t>{3, 0}));
    EXPECT_TRUE(finishes(pushint(0) + op(WHILE, codeop(pushint(1))))->datastack.empty());
    EXPECT_MACHINE_ERROR(pushint(1) + op(WHILE, codeop({})), machineerror("Data stack is empty."));
}

TEST(For, IteratesOverASnapshotOfTheElements) {
    auto list = pushint(1) + pushint(2) + pushint(3) + op(PUSHCONST, bytes{LIST, STACK, STACK, STACK, 255});
    EXPECT_EQ(ints(finishes(list + op(FOR, codeop(op(LOADLOCAL, "ELEMENT"))))->datastack),
              (std::vector<std::int32_t>{1, 2, 3}));
    // appending during the loop does not lengthen it
    auto appendself = op(LOADLOCAL, "ELEMENT") + op(LOADLOCAL, "l") + op(ENTERTOP) + op(LOADATTR, "append") +
                      op(LEAVE) + call(1);
    auto vm = finishes(list + op(STORELOCAL, "l") + op(LOADLOCAL, "l") + op(FOR, codeop(appendself)));
    EXPECT_EQ(member(*vm, vm->progroot, "l")->listval().size(), 6u);
    // a dictionary gives its keys, in the order they were made
    vm = finishes(op(PUSHCONST, bytes{DICT} + intop(5) + intop(50) + intop(4) + intop(40) + bytes{255}) +
                  op(FOR, codeop(op(LOADLOCAL, "ELEMENT"))));
    EXPECT_EQ(ints(vm->datastack), (std::vector<std::int32_t>{5, 4}));
    for (auto other : {pushint(3), pushstring("abc"), op(PUSHCONST, bytes{CLASS})})
        EXPECT_TRUE(finishes(other + op(FOR, codeop(pushint(1))))->datastack.empty());
}

TEST(Nesting, DeepRecursionThroughBlocksRuns) {
    // f(n): if n: f(n - 1); leaves the depth reached
    auto f = op(LOADLOCAL, "arg0") + op(STORELOCAL, "n") + op(LOADLOCAL, "n") +
             op(IF, codeop(pushint(1) + op(LOADLOCAL, "n") + op(SUB) + op(LOADLOCAL, "f") + call(1))) +
             op(LOADLOCAL, "n");
    auto program = newobject() + op(LEAVE) + define("f", f) + pushint(4990) + callnamed("f", 1);
    runresult result = run(program);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.vm->datastack.size(), 4991u);
    result = run(define("f", f) + pushint(5000) + callnamed("f", 1));
    EXPECT_EQ(headline(result), machineerror("Too many nested calls."));
}

TEST(Nesting, TheTenThousandthBodyIsTheLast) {
    auto fill = [](std::size_t extra) {
        return [extra](machine& vm) {
            const codeblock* calling = vm.code.load(op(PUSHCONST, codeop(pushint(1))) + call(0), nullptr);
            for (std::size_t i = 0; i < extra; ++i) {
                vm.codestack.push_back({calling});
                vm.databasestack.emplace_back();
                vm.calltrace.push_back(vm.progroot);
            }
        };
    };
    auto program = bytes{};
    EXPECT_EQ(headline(run(program, fill(maxcodebodies - 2))), "");
    EXPECT_EQ(headline(run(program, fill(maxcodebodies - 1))), machineerror("Too many nested calls."));
}

TEST(Nesting, EndlessRecursionIsStopped) {
    EXPECT_MACHINE_ERROR(define("f", callnamed("f", 0)) + callnamed("f", 0), machineerror("Too many nested calls."));
}

}  // namespace
