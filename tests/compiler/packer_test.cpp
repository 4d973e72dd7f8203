#include "compiler/packer.hpp"

#include <gtest/gtest.h>

#include "common/process.hpp"

namespace {

class Packer : public ::testing::Test {
protected:
    void SetUp() override { resetpacker(); }
    void TearDown() override { resetpacker(); }
};

std::vector<byte> emitted(void (*emit)()) {
    resetpacker();
    emit();
    return code;
}

TEST_F(Packer, IntegersAreBigEndianTwosComplement) {
    EXPECT_EQ(emitted([] { compileint(0); }), (std::vector<byte>{0, 0, 0, 0}));
    EXPECT_EQ(emitted([] { compileint(300); }), (std::vector<byte>{0, 0, 1, 0x2c}));
    EXPECT_EQ(emitted([] { compileint(-2); }), (std::vector<byte>{0xff, 0xff, 0xff, 0xfe}));
    EXPECT_EQ(emitted([] { compileint(-2147483647 - 1); }), (std::vector<byte>{0x80, 0, 0, 0}));
}

TEST_F(Packer, FloatsKeepIntegerPartAndFirstDigit) {
    EXPECT_EQ(emitted([] { compilefloat(2.75f); }), (std::vector<byte>{0, 0, 0, 2, 0, 0, 0, 7}));
    EXPECT_EQ(emitted([] { compilefloat(-1.5f); }), (std::vector<byte>{0xff, 0xff, 0xff, 0xff, 0, 0, 0, 5}));
    EXPECT_EQ(emitted([] { compilefloat(0.7f); }), (std::vector<byte>{0, 0, 0, 0, 0, 0, 0, 7}));
    EXPECT_EQ(emitted([] { compilefloat(0.05f); }), (std::vector<byte>{0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(Packer, StringsEndWithZero) {
    EXPECT_EQ(emitted([] { compilestring(""); }), (std::vector<byte>{0}));
    EXPECT_EQ(emitted([] { compilestring("ab"); }), (std::vector<byte>{0x61, 0x62, 0}));
}

TEST_F(Packer, OneLevelGetsItsLengthPrefix) {
    addcode(std::vector<byte>{1, 2, 3});
    EXPECT_EQ(code, (std::vector<byte>{1, 2, 3}));
    asop += 1;
    addcode(std::vector<byte>{7, 8, 9});
    EXPECT_EQ(code.size(), 3u);
    negatebyteoperand();
    EXPECT_EQ(code, (std::vector<byte>{1, 2, 3, 0, 0, 0, 3, 7, 8, 9}));
    EXPECT_TRUE(tempcode.empty());
    EXPECT_EQ(asop, 0);
}

TEST_F(Packer, NestedLevelsCloseIntoTheirParents) {
    asop += 1;
    addcode(byte{0xb1});
    asop += 1;
    addcode(std::vector<byte>{0xb2, 0xb3});
    negatebyteoperand();
    negatebyteoperand();
    EXPECT_EQ(code, (std::vector<byte>{0, 0, 0, 7, 0xb1, 0, 0, 0, 2, 0xb2, 0xb3}));
}

TEST_F(Packer, LevelsOpenedTogetherShareTheFirstBuffer) {
    asop += 2;
    addcode(byte{0xaa});
    negatebyteoperand();
    negatebyteoperand();
    EXPECT_EQ(code, (std::vector<byte>{0, 0, 0, 5, 0, 0, 0, 1, 0xaa}));
}

TEST_F(Packer, EmptyLevelClosesAsEmptyBodyAndKeepsItsParent) {
    asop += 1;
    addcode(byte{0xb1});
    asop += 1;
    negatebyteoperand();  // an empty inner body
    addcode(byte{0xb2});
    negatebyteoperand();
    EXPECT_EQ(code, (std::vector<byte>{0, 0, 0, 6, 0xb1, 0, 0, 0, 0, 0xb2}));

    resetpacker();
    asop += 1;
    negatebyteoperand();
    EXPECT_EQ(code, (std::vector<byte>{0, 0, 0, 0}));
}

TEST(PackerError, PrintsFourLinesAndEndsWithStatusOne) {
    testing::internal::CaptureStderr();
    int status = -1;
    try {
        error("something broke");
    } catch (const processended& ended) {
        status = ended.status;
    }
    std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(printed.rfind("COMPILER ERROR\n// ", 0), 0u);
    auto tail = std::string("\nExperienced error during compilation:\nsomething broke\n");
    ASSERT_GE(printed.size(), tail.size());
    EXPECT_EQ(printed.substr(printed.size() - tail.size()), tail);
}

}  // namespace
