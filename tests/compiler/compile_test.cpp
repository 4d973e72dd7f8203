#include "compiler/compile.hpp"

#include <cerrno>
#include <filesystem>

#include "common/sourcetext.hpp"
#include "compiler/warnings.hpp"

#include "compilerun.hpp"

namespace {

// Nothing of one compilation reaches the next: the same text gives the same bytes, also after another
// text failed halfway through a body, with modules and bodies open.
TEST(Compile, EachCallStartsAfresh) {
    const std::string a = "also stdcon\nx = 5\nif (x > 1) {\n    print(\"a\")\n}\n";
    const std::string b = "also stdcon\nwhile (1) {\n    if (2) {\n        f(\n    }\n}\n";
    compileoutcome first = compile(a, requestnamed("a.VKEX"));
    ASSERT_FALSE(first.failure);
    compileoutcome other = compile(b, requestnamed("b.VKEX"));
    ASSERT_TRUE(other.failure);
    compileoutcome again = compile(a, requestnamed("a.VKEX"));
    ASSERT_FALSE(again.failure);
    EXPECT_EQ(again.bytes, first.bytes);
    EXPECT_EQ(again.positions.find(again.bytes.size() - 1).line, first.positions.find(first.bytes.size() - 1).line);
    EXPECT_TRUE(again.complaints.empty());

    compileoutcome broken = compile("if (1) {\n    x = [1, 2\n}\n", requestnamed("c.VKEX"));
    ASSERT_TRUE(broken.failure);
    EXPECT_EQ(compile(a, requestnamed("a.VKEX")).bytes, first.bytes);
}

TEST(Compile, ACompileErrorIsItsMessageAndPlace) {
    compileoutcome outcome = compile("x = 1\n  if (x)\n", requestnamed("prog.VKEX"));
    ASSERT_TRUE(outcome.failure);
    const compilefailure& failure = *outcome.failure;
    EXPECT_EQ(failure.kind, failurekind::compileerror);
    EXPECT_EQ(failure.status, 1);
    EXPECT_EQ(failure.message, "Incomplete if statement.");
    EXPECT_EQ(failure.where.file, "prog.VKEX");
    EXPECT_EQ(failure.where.line, 2u);
    EXPECT_EQ(failure.where.column, 2u);
    EXPECT_TRUE(outcome.bytes.empty());
    EXPECT_EQ(failure.plainout, "");
    EXPECT_EQ(failure.plainerror("Mist."),
              "COMPILER ERROR\n// Mist.\nExperienced error during compilation:\nIncomplete if statement.\n");
    EXPECT_EQ(failure.shorterror(), "prog.VKEX:2: Incomplete if statement.\n    if (x)\n");
}

TEST(Compile, SplitterFailuresKeepTheirStatusAndPlace) {
    compileoutcome outcome = compile("x = 1\ny = (2\n", requestnamed("prog.VKEX"));
    ASSERT_TRUE(outcome.failure);
    EXPECT_EQ(outcome.failure->kind, failurekind::unclosedgrouping);
    EXPECT_EQ(outcome.failure->status, 51);
    EXPECT_EQ(outcome.failure->where.line, 2u);
    EXPECT_EQ(outcome.failure->where.column, 4u);
    EXPECT_EQ(outcome.failure->plainerror("Mist."), "");
    EXPECT_EQ(outcome.failure->shorterror(), "prog.VKEX:2: '(' is never closed.\n    y = (2\n");
    EXPECT_EQ(compile("[}", requestnamed("p")).failure->kind, failurekind::unopenedbrace);
    EXPECT_EQ(compile("[)", requestnamed("p")).failure->kind, failurekind::unopenedparenthesis);
}

TEST(Compile, TheRequestNamesTheTextItsFirstLineAndItsModules) {
    compilerequest request = requestnamed("entry");
    request.firstline = 7;
    request.modules = [](const std::string& filename) {
        if (filename == "open.VKEX") return moduletext{"y = 2\n", 0, false};
        return moduletext{"", ENOENT, false};
    };
    compileoutcome outcome = compile("also open\nz\n", request);
    ASSERT_FALSE(outcome.failure);
    EXPECT_EQ(outcome.positions.filename(outcome.positions.find(0)), "open.VKEX");
    EXPECT_EQ(outcome.positions.find(outcome.bytes.size() - 1).line, 8u);
    EXPECT_EQ(compile("also stdcon\n", request).failure->message, "Module not found: stdcon");
}

TEST(Compile, WarningsKnowTheNamesDefinedBefore) {
    compilerequest request = requestnamed("entry");
    request.warnings = true;
    compileoutcome first = compile("x = 1\nz = y\n", request);
    ASSERT_EQ(first.warnings.size(), 1u);
    EXPECT_EQ(first.warnings[0].where.line, 2u);
    EXPECT_EQ(first.warnings[0].where.column, 4u);
    EXPECT_TRUE(first.warnings[0].text.starts_with("entry:2: warning: "));
    EXPECT_TRUE(first.assigned.plain.contains("z"));

    request.defined = first.assigned;
    request.defined.plain.insert("y");
    EXPECT_TRUE(compile("w = x+y+z\n", request).warnings.empty());
}

// The compiler and the warnings read a text through one walk: where the warnings stop at a compile
// error, the compilation fails too (the compiler alone checks literals and modules imported again).
TEST(Compile, TheWarningsStopOnlyWhereTheCompilationFails) {
    const std::filesystem::path root = VESK_SOURCE_DIR;
    std::size_t read = 0;
    std::size_t stopped = 0;
    for (const char* folder : {"tests/programs", "tests/guide", "examples", "fuzz/corpus/compile"}) {
        for (const auto& entry : std::filesystem::directory_iterator(root / folder)) {
            std::string ext = entry.path().extension();
            if (ext != ".VKEX" && ext != "") continue;
            std::string source = readsource(entry.path()).text;
            warningsfound found = warnings(source, requestnamed("prog.VKEX"));
            compileresult compiled = compileprogram(source, requestnamed("prog.VKEX"));
            if (!found.complete) {
                EXPECT_NE(compiled.status, -1) << entry.path();
                stopped += 1;
            }
            read += 1;
        }
    }
    EXPECT_GT(read, 300u);
    EXPECT_GT(stopped, 50u);  // the corpus holds many texts that do not compile
}

}  // namespace
