#include "lsp/outline.hpp"

#include <gtest/gtest.h>

namespace {

const char* const program = R"(also stdcon
also shapes
count = 3
def add(a, b) {
    total = a+b
    return total
}
class point {
    def init(x, y) {
        self.x = x
        @y = y
    }
    def show() { print(str(self.x)) }
}
p = point(1, 2)
count = 4
sum = count + 1
for ([1, 2]) as n {
    if (n>1) {
        late = n
    }
}
)";

std::vector<std::string> names(const std::vector<symbol>& symbols) {
    std::vector<std::string> out;
    for (const symbol& each : symbols) out.push_back(each.name);
    return out;
}

TEST(Outline, FunctionsClassesAndFirstAssignmentsAreReadWithTheirBlocks) {
    outline read = outlineof(program);
    EXPECT_EQ(read.imports, (std::vector<std::string>{"stdcon", "shapes"}));
    // A five-token line is no assignment; a name assigned twice is defined where it is first.
    ASSERT_EQ(names(read.symbols), (std::vector<std::string>{"count", "add", "point", "p", "n", "late"}));
    const symbol& count = read.symbols[0];
    EXPECT_EQ(count.kind, symbolkind::variable);
    EXPECT_EQ(count.at.line, 2u);

    const symbol& add = read.symbols[1];
    EXPECT_EQ(add.kind, symbolkind::function);
    EXPECT_EQ(add.at.line, 3u);
    EXPECT_EQ(add.at.column, 4u);
    EXPECT_EQ(add.endline, 6u);
    EXPECT_EQ(add.parameters, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(names(add.locals), (std::vector<std::string>{"a", "b", "total"}));
    EXPECT_EQ(add.locals[1].at.column, 11u);  // where "b" is written

    const symbol& point = read.symbols[2];
    EXPECT_EQ(point.kind, symbolkind::classdef);
    EXPECT_EQ(point.endline, 13u);
    ASSERT_EQ(names(point.children), (std::vector<std::string>{"init", "show"}));
    EXPECT_EQ(point.children[0].kind, symbolkind::method);
    EXPECT_EQ(point.children[0].endline, 11u);
    EXPECT_EQ(point.children[1].endline, 12u);  // a block on one line

    std::vector<std::string> members;
    for (const memberwrite& member : read.members) members.push_back(member.name);
    EXPECT_EQ(members, (std::vector<std::string>{"init", "x", "y", "show"}));
    EXPECT_EQ(read.members[1].at.line, 9u);
    EXPECT_EQ(read.members[1].at.column, 13u);
}

TEST(Outline, TheFunctionAroundALineIsTheInnermost) {
    outline read = outlineof(program);
    EXPECT_EQ(functionat(read, 2), nullptr);
    ASSERT_NE(functionat(read, 4), nullptr);
    EXPECT_EQ(functionat(read, 4)->name, "add");
    ASSERT_NE(functionat(read, 10), nullptr);
    EXPECT_EQ(functionat(read, 10)->name, "init");
    EXPECT_EQ(functionat(read, 7), nullptr);  // a class's own line
    std::vector<std::string> visited;
    eachsymbol(read, [&](const symbol& each) { visited.push_back(each.name); });
    EXPECT_EQ(visited, (std::vector<std::string>{"count", "add", "point", "init", "show", "p", "n", "late"}));
}

TEST(Outline, BrokenTextStillGivesWhatItDefines) {
    // Unclosed blocks end with the text; stray closers and odd lines are passed over.
    outline read = outlineof("}\n}\ndef f(x {\nclass {\ndef g(\n  \"unclosed\nx = [1,\n\r\n= = =\nclass k {\n    y = 1\n");
    ASSERT_EQ(names(read.symbols), (std::vector<std::string>{"f"}));
    EXPECT_EQ(names(read.symbols[0].children), (std::vector<std::string>{"g", "k"}));
    EXPECT_EQ(read.symbols[0].endline, 10u);
    EXPECT_TRUE(outlineof("").symbols.empty());
    EXPECT_TRUE(outlineof(std::string(1000, '{') + std::string(1000, '}')).symbols.empty());
}

}  // namespace
