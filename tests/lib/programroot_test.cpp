#include "lib/programroot.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "support/runbinary.hpp"
#include "support/scratch.hpp"

namespace {

// The warnings take these names for assigned: a program that reads each of them must run.
TEST(ProgramRootNames, TheMachineHoldsEachOfThem) {
    std::string path = scratchfolder("programrootnames") + "names.VKEX";
    std::ofstream program(path);
    for (std::string_view name : programrootnames) program << name << '\n';
    program.close();
    binaryrun run = runwitharguments(" -q '" + path + "'");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
}

}  // namespace
