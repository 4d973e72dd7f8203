#include "main/run.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "support/runbinary.hpp"

namespace {

TEST(Driver, ListsBytesLastFirstInHexLeavingTheStreamAsItWas) {
    std::ostringstream out;
    listcode(out, {0xe, 2, 0x41, 0});
    out << 255;
    EXPECT_EQ(out.str(), "0 41 2 e 255");
}

const std::string usage =
    "usage: vesk [-q] [-l] [-w] [-h] [-V] [--max-steps=N] [--max-memory=MiB] [--] FILE\n"
    "       vesk -i [-q] [-w] [--max-steps=N] [--max-memory=MiB] [--] [FILE]\n";

TEST(Driver, CommandLineErrorsPrintUsageAndFail) {
    const std::pair<const char*, const char*> cases[] = {
        {" -q", "vesk: no FILE given\n"},
        {" -- a.VKEX b.VKEX", "vesk: more than one FILE given\n"},
        {" a.VKEX -q", "vesk: more than one FILE given\n"},
        {" -x a.VKEX", "vesk: unknown option: -x\n"},
        {" -qz a.VKEX", "vesk: unknown option: -z\n"},
        {" --quiet --typo a.VKEX", "vesk: unknown option: --typo\n"},
        {" --max-steps=1x a.VKEX", "vesk: --max-steps needs a whole number above 0: --max-steps=1x\n"},
        {" --max-memory=0 a.VKEX", "vesk: --max-memory needs a whole number of MiB from 1 to 1048576: --max-memory=0\n"},
    };
    for (const auto& [arguments, message] : cases) {
        binaryrun run = runwitharguments(arguments);
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_EQ(run.err, message + usage) << arguments;
    }
}

TEST(Driver, AWrongArgumentCountWithoutOptionsFailsAsBeforeOptionsExisted) {
    for (const char* arguments : {"", " a.VKEX b.VKEX", " a b c"}) {
        binaryrun run = runwitharguments(arguments);
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_EQ(run.out, "reading file...\n") << arguments;
        EXPECT_EQ(run.err, "Too many or not enough arguments.\n") << arguments;
    }
}

TEST(Driver, HelpAndVersion) {
    binaryrun help = runwitharguments(" --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.substr(0, usage.size()), usage);
    EXPECT_NE(help.out.find("  -l, --listing"), std::string::npos);
    EXPECT_EQ(runwitharguments(" -ql -h").out, help.out);
    binaryrun version = runwitharguments(" -V");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("vesk ") + VESK_VERSION + "\n");
    EXPECT_EQ(version.err, "");
}

TEST(Driver, SourceThatCannotBeReadFails) {
    binaryrun missing = runwitharguments(" -- -odd.VKEX");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "reading file...\n");
    EXPECT_EQ(missing.err, "Cannot read source file: -odd.VKEX: No such file or directory\n");
    binaryrun folder = runwitharguments(" -q .");
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.out, "");
    EXPECT_EQ(folder.err, "vesk: Cannot read source file: .: Is a directory\n");
    binaryrun warned = runwitharguments(" -w .");
    EXPECT_EQ(warned.status, 2);
    EXPECT_EQ(warned.out, "");
    EXPECT_EQ(warned.err, folder.err);
}

}  // namespace
