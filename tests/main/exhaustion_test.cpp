#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "support/runbinary.hpp"
#include "support/scratch.hpp"

namespace {

// A run that exhausts memory, or the memory it was allowed, ends with the usual report and status 1,
// and what the program wrote before reaches the disk. Limiting the address space from outside is not
// possible under the sanitizer, whose shadow memory needs more.
TEST(Exhaustion, OutOfMemoryIsReportedAndFilesAreKept) {
    std::string folder = scratchfolder("exhaustion");
    std::ofstream(folder + "/grow.VKEX") << "f = open(\"kept.txt\",\"write\")\n"
                                            "f.write(\"written before\")\n"
                                            "s = \"ab\"\n"
                                            "while (1) {\n"
                                            "    s = (s+s)\n"
                                            "}\n";
    std::string vesk = VESK_BINARY;
    std::vector<std::string> limits = {vesk + " --max-memory=16"};
#if !defined(VESK_SANITIZE)
    limits.push_back("ulimit -v 400000 && " + vesk);
#endif
    for (const std::string& limited : limits)
        for (const std::string options : {"", " -q"}) {
            SCOPED_TRACE(limited + options);
            EXPECT_EQ(runinfolder(folder, limited + options + " grow.VKEX >/dev/null"), 1);
            EXPECT_EQ(firstline(slurp(folder + "/err.txt")),
                      options.empty() ? "VESK 4 VM error: Out of memory." : "grow.VKEX:5: Out of memory.");
            EXPECT_EQ(slurp(folder + "/kept.txt"), "written before");
        }
}

// Standard output that cannot be written ends the run, and the program's files are kept: a full
// device is reported, a reader that went away ends the run quietly as SIGPIPE would. A file whose
// last writes are refused when the run closes it is reported after the program's end.
TEST(Faults, RefusedWritesAreReportedAndFilesAreKept) {
    std::string folder = scratchfolder("faults");
    std::ofstream(folder + "/talk.VKEX") << "also stdcon\n"
                                            "f = open(\"kept.txt\",\"write\")\n"
                                            "f.write(\"written before\")\n"
                                            "while (1) {\n"
                                            "    print(\"line\")\n"
                                            "}\n";
    std::string vesk = VESK_BINARY;
    EXPECT_EQ(runinfolder(folder, vesk + " -q talk.VKEX >/dev/full"), 1);
    EXPECT_EQ(firstline(slurp(folder + "/err.txt")),
              "stdcon.VKEX:3: write failed for stdout: No space left on device (within module)");
    EXPECT_EQ(slurp(folder + "/kept.txt"), "written before");

    std::remove((folder + "/kept.txt").c_str());
    EXPECT_EQ(runinfolder(folder, vesk + " talk.VKEX | head -1 >/dev/null; exit \\${PIPESTATUS[0]}"), 141);
    EXPECT_EQ(slurp(folder + "/err.txt"), "");
    EXPECT_EQ(slurp(folder + "/kept.txt"), "written before");

    std::ofstream(folder + "/full.VKEX") << "also stdcon\n"
                                            "f = open(\"/dev/full\",\"write\")\n"
                                            "f.write(\"lost\")\n"
                                            "print(\"done\")\n";
    EXPECT_EQ(runinfolder(folder, vesk + " -q full.VKEX >out.txt"), 1);
    EXPECT_EQ(slurp(folder + "/out.txt"), "done\n");
    EXPECT_EQ(slurp(folder + "/err.txt"), "vesk: write failed for /dev/full: No space left on device\n");
}

}  // namespace
