#include "compiler/writer.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::vector<byte> written(const std::function<void(bytewriter&)>& write) {
    bytewriter out;
    write(out);
    return out.bytes();
}

TEST(Writer, IntegersAreBigEndianTwosComplement) {
    EXPECT_EQ(written([](bytewriter& out) { out.addint(0); }), (std::vector<byte>{0, 0, 0, 0}));
    EXPECT_EQ(written([](bytewriter& out) { out.addint(300); }), (std::vector<byte>{0, 0, 1, 0x2c}));
    EXPECT_EQ(written([](bytewriter& out) { out.addint(-2); }), (std::vector<byte>{0xff, 0xff, 0xff, 0xfe}));
    EXPECT_EQ(written([](bytewriter& out) { out.addint(-2147483647 - 1); }), (std::vector<byte>{0x80, 0, 0, 0}));
}

TEST(Writer, StringsEndWithZero) {
    EXPECT_EQ(written([](bytewriter& out) { out.addstring(""); }), (std::vector<byte>{0}));
    EXPECT_EQ(written([](bytewriter& out) { out.addstring("ab"); }), (std::vector<byte>{0x61, 0x62, 0}));
}

TEST(Writer, ABodyGetsItsLengthPrefixWhenClosed) {
    bytewriter out;
    out.add(std::vector<byte>{1, 2, 3});
    out.openbody();
    out.add(std::vector<byte>{7, 8, 9});
    EXPECT_EQ(out.bytes(), (std::vector<byte>{1, 2, 3}));
    out.closebody();
    EXPECT_EQ(out.bytes(), (std::vector<byte>{1, 2, 3, 0, 0, 0, 3, 7, 8, 9}));
    out.add(byte{4});
    EXPECT_EQ(out.bytes().back(), 4);
}

TEST(Writer, NestedBodiesCloseIntoTheirParents) {
    EXPECT_EQ(written([](bytewriter& out) {
                  out.openbody();
                  out.add(byte{0xb1});
                  out.openbody();
                  out.add(std::vector<byte>{0xb2, 0xb3});
                  out.closebody();
                  out.closebody();
              }),
              (std::vector<byte>{0, 0, 0, 7, 0xb1, 0, 0, 0, 2, 0xb2, 0xb3}));
    // Bodies opened together, the inner one holding the byte.
    EXPECT_EQ(written([](bytewriter& out) {
                  out.openbody();
                  out.openbody();
                  out.add(byte{0xaa});
                  out.closebody();
                  out.closebody();
              }),
              (std::vector<byte>{0, 0, 0, 5, 0, 0, 0, 1, 0xaa}));
}

TEST(Writer, AnEmptyBodyClosesEmptyAndKeepsItsParent) {
    EXPECT_EQ(written([](bytewriter& out) {
                  out.openbody();
                  out.add(byte{0xb1});
                  out.openbody();
                  out.closebody();
                  out.add(byte{0xb2});
                  out.closebody();
              }),
              (std::vector<byte>{0, 0, 0, 6, 0xb1, 0, 0, 0, 0, 0xb2}));
    EXPECT_EQ(written([](bytewriter& out) {
                  out.openbody();
                  out.closebody();
              }),
              (std::vector<byte>{0, 0, 0, 0}));
}

TEST(Writer, BodiesKeepThePositionsTheirBytesWereWrittenAt) {
    bytewriter out;
    out.position = {0, 1, true};
    out.add(byte{1});
    out.openbody();
    out.position = {0, 2, true};
    out.add(byte{2});
    out.position = {0, 1, false};
    out.closebody();
    std::size_t length = out.bytes().size();
    sourcemap map({{"f", "a\nb\n"}}, out.takeruns(), length);
    EXPECT_EQ(map.find(0).line, 1u);
    EXPECT_EQ(map.find(4).line, 1u);  // the length belongs to the statement that opened the body
    EXPECT_EQ(map.find(5).line, 2u);
    EXPECT_TRUE(map.startsstatement(5));
}

}  // namespace
