#include "compiler/scanner.hpp"

#include "compiler/tables.hpp"
#include "compilerun.hpp"

namespace {

// The result of one seekstring call and what it left of the text.
struct seek {
    std::string out;
    std::string rest;
    bool operator==(const seek&) const = default;
};

std::ostream& operator<<(std::ostream& os, const seek& s) { return os << "{" << s.out << "|" << s.rest << "}"; }

seek seekon(const std::string& text, const std::vector<std::string>& targets, int mode, bool alpha) {
    scantext target(text);
    std::string out = seekstring(target, targets, groupingpairs, mode, alpha);
    return {out, std::string(target.rest())};
}

struct split {
    std::vector<std::string> pieces;
    std::string rest;
};

split argsof(const std::string& text, const std::vector<std::string>& ends) {
    scantext target(text);
    split result;
    for (std::string_view piece : getargs(target, ",", ends)) result.pieces.emplace_back(piece);
    result.rest = target.rest();
    return result;
}

using strings = std::vector<std::string>;

TEST(Scanner, Predicates) {
    EXPECT_TRUE(isallalpha(""));
    EXPECT_TRUE(isallalpha("and"));
    EXPECT_FALSE(isallalpha("a1"));
    EXPECT_FALSE(isallalpha("\xe9t\xe9"));  // bytes above 127 are no letters
    EXPECT_TRUE(checkstrings("abc", ""));
    EXPECT_FALSE(checkstrings("ab", "abc"));
    EXPECT_TRUE(checkstrings("abc", strings{"x", "ab"}));
    EXPECT_FALSE(checkstrings("abc", strings{}));
}

TEST(Scanner, ReadsUpToTheFirstTargetOutsideGroups) {
    EXPECT_EQ(seekon("x + y", {"+"}, 0, false), (seek{"x ", "+ y"}));
    EXPECT_EQ(seekon("f(a, b), c", {","}, 0, false), (seek{"f(a, b)", ", c"}));
    EXPECT_EQ(seekon("\"a,b\",c", {","}, 0, false), (seek{"\"a,b\"", ",c"}));
    EXPECT_EQ(seekon("abc", {","}, 0, false), (seek{"abc", ""}));
    EXPECT_EQ(seekon("f(a(b))", {"("}, 0, false), (seek{"f", "(a(b))"}));
    // A bracket inside a string still counts: nothing is found after it.
    EXPECT_EQ(seekon("\"(\",x", {","}, 0, false), (seek{"\"(\",x", ""}));
}

TEST(Scanner, TranslatesEscapes) {
    EXPECT_EQ(seekon("a\\nb", {","}, 0, false).out, "a\nb");
    EXPECT_EQ(seekon("a\\rb", {","}, 0, false).out, "a\rb");
    EXPECT_EQ(seekon("\\q", {","}, 0, false).out, "q");
    EXPECT_EQ(seekon("a\\,b,c", {","}, 0, false), (seek{"a,b", ",c"}));
    // A backslash with nothing after it stays a backslash.
    EXPECT_EQ(seekon("ab\\", {","}, 0, false), (seek{"ab\\", ""}));
    EXPECT_EQ(seekon("\\", {","}, 1, false), (seek{"\\", ""}));
}

TEST(Scanner, WordTargetsOnlyBetweenBlanks) {
    EXPECT_EQ(seekon("x and y", operators, 0, true), (seek{"x", "andy"}));
    EXPECT_EQ(seekon("x andy", operators, 0, true), (seek{"x andy", ""}));
    EXPECT_EQ(seekon("x\tand y", operators, 0, true), (seek{"x\tand y", ""}));
}

TEST(Scanner, ReadsARunOfTargets) {
    EXPECT_EQ(seekon("==y", {"+", "=="}, 1, false), (seek{"==", "y"}));
    EXPECT_EQ(seekon("y", {"+", "=="}, 1, false), (seek{"", "y"}));
    EXPECT_EQ(seekon("+-x", operators, 1, true), (seek{"+-", "x"}));
    EXPECT_EQ(seekon("andy", operators, 1, true), (seek{"", "andy"}));
}

TEST(Scanner, SplitsArgumentLists) {
    split s = argsof("a, b)", {")"});
    EXPECT_EQ(s.pieces, (strings{"a", "b"}));
    EXPECT_EQ(s.rest, ")");
    s = argsof(")", {")"});
    EXPECT_TRUE(s.pieces.empty());
    EXPECT_EQ(s.rest, ")");
    EXPECT_EQ(argsof("a,,b)", {")"}).pieces, (strings{"a", "b"}));
    EXPECT_EQ(argsof("g(1, 2), 3)", {")"}).pieces, (strings{"g(1, 2)", "3"}));
    EXPECT_EQ(argsof("a b", {}).pieces, (strings{"a b"}));
    EXPECT_EQ(argsof("a,  b)", {")"}).pieces, (strings{"a", " b"}));
    EXPECT_EQ(errormessage(emittedby([](compilation&) { argsof("a, b", {")"}); })),
              "getargs: no endings, no comma, ends not empty; seekstring failure or malformed args.");
}

}  // namespace
