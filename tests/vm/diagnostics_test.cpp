#include "vm/diagnostics.hpp"

#include "vmtest.hpp"

namespace {

using namespace vmtest;
using namespace V4VM;

const std::string hyphens = "-------------------------\n";

TEST(Report, DumpsCodeCalltraceAndDataStack) {
    auto g = op(LOADLOCAL, "x") + bytes{42, 1, 2};
    auto f = op(LOADLOCAL, "g") + call(0) + op(POP);
    auto program = pushint(5) + op(STORELOCAL, "x") + op(PUSHCONST, codeop(g)) + op(STORELOCAL, "g") +
                   op(PUSHCONST, codeop(f)) + op(STORELOCAL, "f") + op(LOADLOCAL, "f") + call(0) + op(POP);
    runresult result = run(program);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "VESK 4 VM error: Unknown instruction.\nCodestack: \n1 2 \n" + hyphens + "22 \n" + hyphens +
                              "22 \n" + hyphens +
                              "\nCalltrace: \n  > g\n/\\ f of identifier: CUSTOM_FUNC\n"
                              "  < PROGRAM_ROOT of identifier: BUILTIN_FUNC\n"
                              "Datastack is as follows:\nx with identifier BUILTIN_INT\n");
    // the report leaves the machine as the error did; unwound, it runs the next program with what the
    // failed one stored
    machine& vm = *result.vm;
    EXPECT_EQ(vm.codestack.size(), 3u);
    vm.unwind(0);
    EXPECT_TRUE(vm.codestack.empty() && vm.datastack.empty() && vm.pending.empty() && vm.memory.empty());
    EXPECT_EQ(vm.callstack, std::vector<variable*>{vm.progroot});
    EXPECT_EQ(vm.calltrace, std::vector<variable*>{vm.progroot});
    EXPECT_EQ(vm.databasestack.size(), 1u);
    vm.loadprogram(op(LOADLOCAL, "f") + op(POP) + op(LOADLOCAL, "x"));
    runoutcome again = vm.run();
    EXPECT_EQ(again.report, "");
    EXPECT_EQ(again.finish, "\n<VESK 4> Program finished with code 5\n");
}

TEST(Report, EmptyCalltraceIsWarnedAboutAtEveryCycle) {
    runresult result = run(pushint(1) + op(POP) + bytes{200}, [](machine& vm) { vm.calltrace.clear(); });
    std::string warning =
        "-----------------------------\nCalltrace stack size is 0.\nThe vm will keep running tho.\n"
        "This is just a warning.\n-----------------------------\n";
    EXPECT_EQ(result.err, warning + warning + warning + "VESK 4 VM error: Unknown instruction.\nCodestack: \n\n" +
                              hyphens + "\n");
}

TEST(Report, WithinModuleAndInHexadecimal) {
    auto vm = freshmachine();
    const bytes code{255, 16};
    vm->loadprogram(code);
    EXPECT_EQ(errorreport(*vm, vmerror{"No such arg: arg2", true}), "VESK 4 VM error within module: No such arg: arg2\nCodestack: \nff 10 \n" + hyphens +
                               "\nCalltrace: \n  > PROGRAM_ROOT\n");
    vm = freshmachine();
    vm->datastack.push_back(vm->progroot);
    EXPECT_EQ(errorreport(*vm, vmerror{"x", false}), "VESK 4 VM error: x\nCodestack: \n\nCalltrace: \n  > PROGRAM_ROOT\n"
                           "Datastack is as follows:\nPROGRAM_ROOT with identifier BUILTIN_FUNC\n");
}

TEST(IntegrityCheck, PanicsOnEmptyFrameStacks) {
    EXPECT_EQ(raised([] { freshmachine()->execcycle(); }),
              machineerror("\nVM panic!\nCodestack size = 0, this is not supposed to happen.      \n"));
    runresult result = run({}, [](machine& vm) { vm.databasestack.clear(); });
    EXPECT_EQ(result.err.substr(0, result.err.find("Codestack: ")),
              "VESK 4 VM error: \nVM panic!\nDatabasestack size = 0, did you go out of root?                \n\n");
    result = run({}, [](machine& vm) { vm.callstack.clear(); });
    EXPECT_EQ(result.err.substr(0, result.err.find("Codestack: ")),
              "VESK 4 VM error: \nVM panic!\nCallstack size = 0, did you go out of root?                \n\n");
    // Leaving the program root empties both stacks during the run: the next instruction is checked.
    result = run(op(LEAVE) + pushint(1));
    EXPECT_EQ(result.err.substr(0, result.err.find("Codestack: ")),
              "VESK 4 VM error: \nVM panic!\nCallstack size = 0, did you go out of root?                \n\n");
}

TEST(Finish, PrintsTheIntegerCodeInTheOutputBase) {
    struct expectation {
        bytes program;
        std::string out;
        int status;
    };
    for (const auto& [program, out, status] : std::vector<expectation>{
             {{}, finished, 0},
             {pushint(255), "\n<VESK 4> Program finished with code ff\n", 255},
             {pushint(10), "\n<VESK 4> Program finished with code a\n", 10},
             {pushint(-3), "\n<VESK 4> Program finished with code fffffffd\n", 253},
             {pushint(-1), "\n<VESK 4> Program finished with code ffffffff\n", 255},
             {pushint(256), "\n<VESK 4> Program finished with code 100\n", 0},
             {pushstring("7"), finished, 0},
             {pushfloat(7, 0), finished, 0},
             {pushint(1) + pushstring("7"), finished, 0},
         }) {
        runresult result = run(program);
        EXPECT_EQ(result.out, out);
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(result.err, "");
    }
}

}  // namespace
