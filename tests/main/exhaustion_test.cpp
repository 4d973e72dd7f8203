#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "support/runbinary.hpp"
#include "support/scratch.hpp"

namespace {

// A run that exhausts memory ends with the usual report and status 1, and what the program wrote
// before reaches the disk. The address space is limited from outside, which the sanitizer's shadow
// memory does not allow.
TEST(Exhaustion, OutOfMemoryIsReportedAndFilesAreKept) {
#if defined(VESK_SANITIZE)
    GTEST_SKIP() << "the sanitizer needs more address space than the limit leaves";
#endif
    std::string folder = scratchfolder("exhaustion");
    std::ofstream(folder + "/grow.VKEX") << "f = open(\"kept.txt\",\"write\")\n"
                                            "f.write(\"written before\")\n"
                                            "s = \"ab\"\n"
                                            "while (1) {\n"
                                            "    s = (s+s)\n"
                                            "}\n";
    for (const std::string options : {"", "-q "}) {
        std::string command = "cd '" + folder + "' && ulimit -v 400000 && " + VESK_BINARY + " " + options +
                              "grow.VKEX >/dev/null 2>err.txt";
        int raw = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(raw));
        EXPECT_EQ(WEXITSTATUS(raw), 1);
        std::string report = slurp(folder + "/err.txt");
        std::string first = report.substr(0, report.find('\n'));
        EXPECT_EQ(first, options.empty() ? "VESK 4 VM error: Out of memory." : "grow.VKEX:5: Out of memory.");
        EXPECT_EQ(slurp(folder + "/kept.txt"), "written before");
    }
}

}  // namespace
