#include <gtest/gtest.h>

#include "support/runbinary.hpp"

namespace {

// However a run ends, what a program wrote to a file it never closed reaches the file.
TEST(Files, UnclosedFilesAreWrittenWhenTheRunEnds) {
    binaryrun finished = runsource("f = open(\"kept.txt\", \"write\")\nf.write(\"all of it\")\n");
    EXPECT_EQ(finished.status, 0);
    EXPECT_EQ(slurp(finished.folder + "/kept.txt"), "all of it");

    binaryrun failed = runsource("f = open(\"kept.txt\", \"write\")\nf.write(\"before the error\")\nnothing\n");
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(slurp(failed.folder + "/kept.txt"), "before the error");
}

TEST(Files, ConsoleWritesKeepTheirOrderAroundShellCommands) {
    binaryrun run = runsource("Gprogroot.stdout.write(\"first \")\nsystem(\"echo second\")\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("first second\n"), std::string::npos) << run.out;
}

}  // namespace
