#include "compiler/compile.hpp"

#include <filesystem>
#include <fstream>

#include "bytecode/opcodes.hpp"
#include "compiler/tables.hpp"
#include "compilerun.hpp"
#include "support/scratch.hpp"

using namespace bytecode;

namespace {

bytes named(byte opcode, const std::string& name) { return B(opcode, STRING) + str(name); }
bytes load(const std::string& name) { return B(SAVESCOPE) + named(LOADLOCAL, name); }
bytes setcall() { return B(ENTERTOP) + named(LOADATTR, "set") + B(CALL, INT) + i32(1) + B(LEAVE); }
bytes storelocal(const std::string& name) {
    return B(SAVESCOPE, PUSHCONST, CLASS) + named(STORELOCAL, name) + named(PTRLOCAL, name) + setcall();
}
bytes body(const bytes& inside) { return i32(static_cast<int>(inside.size())) + inside; }
bytes pushint(int value) { return B(SAVESCOPE, PUSHCONST, INT) + i32(value); }

TEST(Statements, AssignmentNeedsExactlyThreeTokens) {
    EXPECT_EQ(compiled("x = a + b"), load("x"));
    EXPECT_EQ(compiled("x = (a + b)"), load("a ") + B(STASH) + load(" b") + B(UNSTASH, ADD) + storelocal("x"));
    EXPECT_EQ(compiled("x = a+b"), load("a") + B(STASH) + load("b") + B(UNSTASH, ADD) + storelocal("x"));
    EXPECT_EQ(compiled("x=5"), load("x=5"));
}

TEST(Statements, ControlFlowBodies) {
    EXPECT_EQ(compiled("if (c) { y }"), load("c") + B(IF, CODE) + body(load("y")));
    EXPECT_EQ(compiled("if (c) { y } else { z }"), compiled("if (c) { y }"));
    EXPECT_EQ(compiled("if (c) {}"), load("c") + B(IF, CODE) + i32(0));
    EXPECT_EQ(compiled("while (c) { body }"),
              B(PUSHCONST, INT) + i32(1) + B(WHILE, CODE) + body(load("c") + load("body")));
    EXPECT_EQ(compiled("for (items) as x { y }"),
              load("items") + B(FOR, CODE) + body(named(LOADLOCAL, "ELEMENT") + named(STORELOCAL, "x") + load("y")));
    EXPECT_EQ(compiled("$@ o {\n    @x = 1\n}"),
              load("o") + B(ENTERTOP) + pushint(1) + B(SAVESCOPE, PUSHCONST, CLASS) + named(STOREATTR, "x") +
                  named(PTRATTR, "x") + setcall() + B(LEAVE));
    EXPECT_EQ(compiled("return"), B(RETURN));
    EXPECT_EQ(compiled("return x"), load("x") + B(RETURN));
    EXPECT_EQ(compiled(""), bytes{});
    EXPECT_EQ(compiled("{x}"), load("x"));
}

TEST(Statements, NestedBodiesCarryTheirLengths) {
    bytes inner = load("b") + B(IF, CODE) + body(load("y"));
    EXPECT_EQ(compiled("if a {\nif b {\ny\n}\n}"), load("a") + B(IF, CODE) + body(inner));
    EXPECT_EQ(compiled("if a {\nif b {}\nz\n}"), load("a") + B(IF, CODE) + body(load("b") + B(IF, CODE) + i32(0) + load("z")));
}

TEST(Statements, FunctionsAndClasses) {
    bytes params = named(LOADLOCAL, "arg0") + named(STORELOCAL, "a") + named(LOADLOCAL, "arg1") + named(STORELOCAL, "b");
    EXPECT_EQ(compiled("def f(a, b) { return a }"),
              B(PUSHCONST, CODE) + body(params + load("a") + B(RETURN)) + storelocal("f"));
    EXPECT_EQ(compiled("def g() {}"), B(PUSHCONST, CODE) + i32(0) + storelocal("g"));

    bytes method = B(PUSHCONST, CODE) + body(named(LOADLOCAL, "arg0") + named(STORELOCAL, "x") + load("x")) +
                   B(SAVESCOPE, PUSHCONST, CLASS) + named(STOREATTR, "m") + named(PTRATTR, "m") + setcall();
    EXPECT_EQ(compiled("class k {\n    def m(x) {x}\n}"),
              B(PUSHCONST, CLASS, DUP, ENTERTOP) + method + B(LEAVE) + storelocal("k"));
}

TEST(Statements, OnlyDefInClassBodies) {
    for (const char* source : {"class k { y = 1 }", "class k { y }", "class k { return }", "class k { if a {} }"}) {
        EXPECT_EQ(errorof(source), "Only def allowed in class definition!") << source;
    }
}

TEST(Statements, IncompleteKeywordStatements) {
    EXPECT_EQ(errorof("if (c)"), "Incomplete if statement.");
    EXPECT_EQ(errorof("while"), "Incomplete while statement.");
    EXPECT_EQ(errorof("for (l) as"), "Incomplete for statement.");
    EXPECT_EQ(errorof("for (l) as x"), "Incomplete for statement.");
    EXPECT_EQ(errorof("def f"), "Incomplete def statement.");
    EXPECT_EQ(errorof("def"), "Incomplete def statement.");
    EXPECT_EQ(errorof("def f()"), "Incomplete def statement.");
    EXPECT_EQ(errorof("class c"), "Incomplete class statement.");
    EXPECT_EQ(errorof("$@"), "Incomplete $@ statement.");
    EXPECT_EQ(errorof("also"), "Incomplete also statement.");
}

TEST(Statements, SplitterExitsComeThrough) {
    EXPECT_EQ(compileprogram("print(\"(\")").status, 51);
    EXPECT_EQ(compileprogram("[}").status, 52);
}

TEST(Modules, TextsHaveTheirExactLengths) {
    EXPECT_EQ(builtinmodules.at("stdcon.VKEX").size(), 157u);
    EXPECT_EQ(builtinmodules.at("strings.VKEX").size(), 614u);
    EXPECT_EQ(builtinmodules.at("strings.VKEX").substr(602), "moduleroot \n");
}

TEST(Modules, StdconCompilesToItsKnownShape) {
    bytes code = compiled("also stdcon");
    ASSERT_EQ(code.size(), 266u);
    EXPECT_EQ(code, compiled(builtinmodules.at("stdcon.VKEX")));
    // print: PUSHCONST, CODE, the length 76, its body, 33 bytes binding the name; then input.
    EXPECT_EQ(bytes(code.begin(), code.begin() + 6), B(PUSHCONST, CODE) + i32(76));
    bytes start = named(LOADLOCAL, "arg0") + named(STORELOCAL, "string");
    EXPECT_EQ(bytes(code.begin() + 6, code.begin() + 6 + start.size()), start);
    EXPECT_EQ(bytes(code.begin() + 82, code.begin() + 115), storelocal("print"));
    EXPECT_EQ(bytes(code.begin() + 115, code.begin() + 121), B(PUSHCONST, CODE) + i32(112));
    EXPECT_EQ(bytes(code.begin() + 233, code.end()), storelocal("input"));
    // The \n of the module text reaches the string as a line end.
    std::string text(code.begin(), code.end());
    EXPECT_NE(text.find(std::string("\n\0", 2)), std::string::npos);
}

TEST(Modules, StringsModuleCompiles) {
    bytes code = compiled("also strings");
    // The blank after the last word makes an empty token, which is dropped.
    bytes tail = load("moduleroot") + B(SAVESCOPE) + named(PTRGLOBAL, "progroot") + B(ENTERTOP) +
                 named(LOADATTR, "get") + B(CALL, INT) + i32(0) + B(LEAVE, ENTERTOP, PUSHCONST, CLASS) +
                 named(STOREATTR, "strings") + named(PTRATTR, "strings") + B(LEAVE) + setcall();
    EXPECT_EQ(bytes(code.begin(), code.begin() + 4), B(PUSHCONST, CLASS, DUP, ENTERTOP));
    ASSERT_GT(code.size(), tail.size());
    EXPECT_EQ(bytes(code.end() - static_cast<std::ptrdiff_t>(tail.size()), code.end()), tail);
    // "temp = temp + char" has five tokens: the expression statement temp.
    bytes temp = load("temp");
    EXPECT_NE(std::search(code.begin(), code.end(), temp.begin(), temp.end()), code.end());
}

TEST(Modules, FileModulesAndMissingOnes) {
    EXPECT_EQ(errorof("also nosuchmodule"), "Module not found: nosuchmodule");
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(scratchfolder("modules"));
    std::filesystem::create_directory("vesktestfolder.VKEX");
    EXPECT_EQ(errorof("also vesktestfolder"), "Cannot read module: vesktestfolder.VKEX: Is a directory");
    std::ofstream("vesktestmodule.VKEX") << "a\r\nb\r";
    std::ofstream("vesktestself.VKEX") << "also vesktestself\n";
    EXPECT_EQ(compiled("also vesktestmodule"), load("a") + load("b"));
    EXPECT_EQ(errorof("also vesktestself"), "Nesting too deep.");
    // Nothing of the failed compilation stays behind.
    EXPECT_EQ(compiled("also vesktestmodule"), load("a") + load("b"));
    std::filesystem::current_path(previous);
}

TEST(Nesting, DeepTextIsRefusedBeforeSplitting) {
    std::string ok = std::string(1000, '(') + "x" + std::string(1000, ')');
    bytes code = compiled(ok);
    ASSERT_GT(code.size(), 5u);
    EXPECT_EQ(bytes(code.end() - 5, code.end()), load("x"));
    std::string deep = std::string(1001, '(') + "x" + std::string(1001, ')');
    EXPECT_EQ(errorof(deep), "Nesting too deep.");
    // Unbalanced and deep: the nesting error comes before the splitter's exit.
    EXPECT_EQ(errorof(std::string(1001, '{')), "Nesting too deep.");
    // Quoted and escaped brackets do not count.
    EXPECT_EQ(compiled("\"" + std::string(2000, '(') + "\""), B(SAVESCOPE, PUSHCONST, STRING) + str(std::string(2000, '(')));
    std::string escaped;
    for (int i = 0; i < 1001; ++i) escaped += "\\(";
    EXPECT_EQ(compileprogram(escaped).status, 51);
}

TEST(Nesting, DeepBlocksAndCallsCompile) {
    std::string blocks;
    for (int i = 0; i < 999; ++i) blocks += "if a {\n";
    blocks += "x";
    for (int i = 0; i < 999; ++i) blocks += "\n}";
    EXPECT_FALSE(compiled(blocks).empty());

    std::string calls;
    for (int i = 0; i < 999; ++i) calls += "f(";
    calls += "x" + std::string(999, ')');
    EXPECT_FALSE(compiled(calls).empty());
}

TEST(Nesting, EscapedBracketsCannotDeepenExpressionsWithoutBound) {
    std::string escaped;
    for (int i = 0; i < 5000; ++i) escaped += "f\\(";
    escaped += "x";
    for (int i = 0; i < 5000; ++i) escaped += "\\)";
    EXPECT_EQ(errorof(escaped), "Nesting too deep.");
}

}  // namespace
