#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "support/runbinary.hpp"
#include "support/scratch.hpp"

namespace {

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
    std::string command = "cd '" + folder + "' && " + limits + " && " + VESK_BINARY + " -q deep.VKEX >out.txt 2>err.txt";
    int raw = std::system(("bash -c \"" + command + "\"").c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_EQ(slurp(folder + "/out.txt"), "deep\n");
    std::string err = slurp(folder + "/err.txt");
    EXPECT_EQ(err.substr(0, err.find('\n')), "deep.VKEX:3: Too many nested calls.");
}

}  // namespace
