#include "compiler/parser.hpp"

#include "compilerun.hpp"

namespace {

using statements = std::vector<std::vector<std::string>>;

statements parsed(const std::string& text) {
    statements result;
    compileresult run = capturecompile([&] { result = parse(text); });
    EXPECT_EQ(run.status, -1) << text;
    EXPECT_EQ(run.out, "");
    return result;
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

TEST(Splitter, ListClosedInsideAnotherGroupingWarns) {
    statements result;
    compileresult run = capturecompile([&] { result = parse("(] x)"); });
    EXPECT_EQ(run.status, -1);
    EXPECT_EQ(run.err, "PARSER FAILURE\n");
    EXPECT_EQ(result, (statements{{"(]", "x)"}}));
}

TEST(Splitter, UnbalancedGroupingsEndTheProcess) {
    compileresult run = capturecompile([] { parse("print(\"(\")"); });
    EXPECT_EQ(run.status, 51);
    EXPECT_EQ(run.out, "parser error, markers over 1, grammatically not valid.0/1/0/0/0/0/");

    EXPECT_EQ(capturecompile([] { parse("s = \"a\\\"b\""); }).status, 51);
    EXPECT_EQ(capturecompile([] { parse("{"); }).out,
              "parser error, markers over 1, grammatically not valid.1/0/0/0/0/0/");

    run = capturecompile([] { parse("[}"); });
    EXPECT_EQ(run.status, 52);
    EXPECT_EQ(run.out + run.err, "");
    run = capturecompile([] { parse("[)"); });
    EXPECT_EQ(run.status, 54);
    EXPECT_EQ(run.out + run.err, "");
}

}  // namespace
