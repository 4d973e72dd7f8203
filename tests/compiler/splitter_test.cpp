#include "compiler/splitter.hpp"

#include "compilerun.hpp"

namespace {

using statements = std::vector<std::vector<std::string>>;

statements parsed(const std::string& text) {
    wholesplit result = splitwhole(text);
    EXPECT_EQ(result.status, 0) << text;
    EXPECT_EQ(result.complaints, 0u) << text;
    return result.statements;
}

TEST(Splitter, CutsStatementsAndSegments) {
    EXPECT_EQ(parsed("x = 1\ny = 2"), (statements{{"x", "=", "1"}, {"y", "=", "2"}}));
    EXPECT_EQ(parsed(""), (statements{{""}}));
    EXPECT_EQ(parsed("if (a > 1) {\n    b = 2\n}"), (statements{{"if", "(a > 1)", "{\n    b = 2\n}"}}));
    EXPECT_EQ(parsed("\n\nx"), (statements{{""}, {""}, {"x"}}));
    EXPECT_EQ(parsed("  x"), (statements{{"", "", "x"}}));
    EXPECT_EQ(parsed("x\n  y"), (statements{{"x"}, {"y"}}));
    EXPECT_EQ(parsed("a\tb"), (statements{{"a", "b"}}));
}

TEST(Splitter, GroupingsKeepTheirContent) {
    EXPECT_EQ(parsed("s = \"a b\""), (statements{{"s", "=", "\"a b\""}}));
    EXPECT_EQ(parsed("s = 'a b'"), (statements{{"s", "=", "'a b'"}}));
    EXPECT_EQ(parsed("print(x)"), (statements{{"print(x)"}}));
    EXPECT_EQ(parsed("x = [[1, 2], 3]"), (statements{{"x", "=", "[[1, 2],", "3]"}}));
    EXPECT_EQ(parsed("f(a)\n}"), (statements{{"f(a)"}, {"}"}}));
    EXPECT_EQ(parsed("a ) b"), (statements{{"a", ")", "b"}}));
}

TEST(Splitter, ListClosedInsideAnotherGroupingComplains) {
    wholesplit result = splitwhole("(] x)");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.complaints, 1u);
    EXPECT_EQ(result.statements, (statements{{"(]", "x)"}}));

    // Once for each split of the block around it, the program's, then the body's; also when the
    // statement then fails to compile.
    compileoutcome outcome = compile("if (1) {\n    f(1]2)\n}\n", requestnamed("prog.VKEX"));
    ASSERT_TRUE(outcome.failure);
    EXPECT_EQ(outcome.failure->kind, failurekind::compileerror);
    ASSERT_EQ(outcome.complaints.size(), 2u);
    for (const splittercomplaint& complaint : outcome.complaints) {
        EXPECT_EQ(complaint.where.file, "prog.VKEX");
        EXPECT_EQ(complaint.where.line, 2u);
        EXPECT_EQ(complaint.where.column, 7u);
    }
}

TEST(Splitter, UnbalancedGroupingsFailTheCompilation) {
    compileresult run = compileprogram("print(\"(\")");
    EXPECT_EQ(run.status, 51);
    EXPECT_EQ(run.out, "parser error, markers over 1, grammatically not valid.0/1/0/0/0/0/");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(splitwhole("print(\"(\")").status, 51);

    EXPECT_EQ(compileprogram("s = \"a\\\"b\"").status, 51);
    EXPECT_EQ(compileprogram("x = {").out, "parser error, markers over 1, grammatically not valid.1/0/0/0/0/0/");

    run = compileprogram("[}");
    EXPECT_EQ(run.status, 52);
    EXPECT_EQ(run.out + run.err, "");
    run = compileprogram("[)");
    EXPECT_EQ(run.status, 54);
    EXPECT_EQ(run.out + run.err, "");
}

}  // namespace
