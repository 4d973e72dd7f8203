#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/runbinary.hpp"
#include "support/scratch.hpp"

namespace {

// Runs `vesk -q program` in `folder` under the shell limits `limits`; returns the exit status.
int runlimited(const std::string& folder, const std::string& limits, const std::string& program) {
    return runinfolder(folder, limits + " && " + VESK_BINARY + " -q " + program + " >out.txt");
}

// Bodies run as frames of one loop, not as C++ calls: 10,000 of them fit a 1 MiB stack, and the next
// is the machine's own error. Where the address space is limited too, no thread with a large stack can
// be had (the sanitizer's shadow memory rules that limit out there).
TEST(Stack, TenThousandBodiesRunOnASmallStack) {
    std::string folder = scratchfolder("stack");
    std::ofstream(folder + "/deep.VKEX") << "also stdcon\n"
                                            "def down(n) {\n"
                                            "    if (n>0) {\n"
                                            "        down(n-1)\n"
                                            "    }\n"
                                            "    return 0\n"
                                            "}\n"
                                            "down(4999)\n"
                                            "print(\"deep\")\n"
                                            "down(5000)\n";
    std::string limits = "ulimit -s 1024";
#if !defined(VESK_SANITIZE)
    limits += " && ulimit -v 300000";
#endif
    EXPECT_EQ(runlimited(folder, limits, "deep.VKEX"), 1);
    EXPECT_EQ(slurp(folder + "/out.txt"), "deep\n");
    EXPECT_EQ(firstline(slurp(folder + "/err.txt")), "deep.VKEX:3: Too many nested calls.");
}

// A text nested 9,000 deep is built on a stack of its own; where none can be had, the machine says so
// instead of overflowing its own.
TEST(Stack, DeepStructuresLeaveTheMachinesStack) {
    std::string folder = scratchfolder("stack-structures");
    std::ofstream(folder + "/nested.VKEX") << "also stdcon\n"
                                              "m = [0]\n"
                                              "i = 0\n"
                                              "while (i<9000) {\n"
                                              "    n = [0]\n"
                                              "    n.append(m)\n"
                                              "    m = n\n"
                                              "    i = (i+1)\n"
                                              "}\n"
                                              "print(str(sizeof(str(m))))\n";
    EXPECT_EQ(runlimited(folder, "ulimit -s 1024", "nested.VKEX"), 0);
    EXPECT_EQ(slurp(folder + "/out.txt"), "45008\n");
#if !defined(VESK_SANITIZE)
    EXPECT_EQ(runlimited(folder, "ulimit -s 1024 && ulimit -v 300000", "nested.VKEX"), 1);
    EXPECT_EQ(firstline(slurp(folder + "/err.txt")), "nested.VKEX:10: Nesting too deep.");
#endif
}

}  // namespace
