#include "compiler/compile.hpp"

#include "compilerun.hpp"

namespace {

struct compiledsource {
    sourcemap positions;
    bytes code;
};

compiledsource compilefile(const std::string& source) {
    compileoutcome outcome = compile(source, requestnamed("prog.VKEX"));
    EXPECT_FALSE(outcome.failure);
    return {std::move(outcome.positions), std::move(outcome.bytes)};
}

TEST(Positions, EveryByteBelongsToItsStatementsLine) {
    // x = 1 takes bytes 0-31; the def's PUSHCONST and length 32-37, its body (y) 38-42, its store 43-67.
    compiledsource program = compilefile("x = 1\ndef f() {\n    y\n}\nf()\n");
    const sourcemap& map = program.positions;
    auto line = [&](std::size_t offset) { return map.find(offset).line; };
    EXPECT_EQ(map.filename(map.find(0)), "prog.VKEX");
    EXPECT_EQ(line(31), 1u);
    EXPECT_EQ(line(32), 2u);
    EXPECT_EQ(line(37), 2u);
    EXPECT_EQ(line(38), 3u);
    EXPECT_EQ(map.linetext(map.find(42)), "    y");
    EXPECT_EQ(line(43), 2u);
    EXPECT_EQ(line(68), 5u);
    EXPECT_FALSE(map.find(program.code.size()).known());
    for (std::size_t start : {0u, 32u, 38u, 68u}) EXPECT_TRUE(map.startsstatement(start)) << start;
    for (std::size_t other : {1u, 37u, 43u}) EXPECT_FALSE(map.startsstatement(other)) << other;
}

TEST(Positions, ModulesKeepTheirOwnNamesAndLines) {
    compiledsource program = compilefile("also stdcon\nx\n");
    const sourcemap& map = program.positions;
    EXPECT_EQ(map.filename(map.find(0)), "stdcon.VKEX");
    EXPECT_EQ(map.find(0).line, 2u);
    EXPECT_EQ(map.linetext(map.find(0)), "def print(string) {");
    std::size_t last = program.code.size() - 1;
    EXPECT_EQ(map.filename(map.find(last)), "prog.VKEX");
    EXPECT_EQ(map.find(last).line, 2u);
}

}  // namespace
