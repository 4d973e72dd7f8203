#include "main/driver.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "support/runbinary.hpp"

namespace {

TEST(Driver, ListsBytesInHexAndStaysInHex) {
    std::ostringstream out;
    listcode(out, {0, 0x41, 2, 0xe});
    out << 255;
    EXPECT_EQ(out.str(), "0 41 2 e ff");
}

}  // namespace

namespace {

TEST(Driver, WrongArgumentCountPrintsUsageAndFails) {
    for (const char* arguments : {"", " a.VKEX b.VKEX"}) {
        binaryrun run = runwitharguments(arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "reading file...\n");
        EXPECT_EQ(run.err, "Too many or not enough arguments.\n");
    }
}

TEST(Driver, MissingFileRunsAsEmptyProgram) {
    binaryrun run = runwitharguments(" no-such-file.VKEX");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "reading file...\nfile read. compiling...\ncompilation finished. starting vm...\ninit...\n"
              "inserting code to codestack...\nexecution loop...\n\n<VESK 4> Program finished.\n");
    EXPECT_EQ(run.err, "");
}

}  // namespace
