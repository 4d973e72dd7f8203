#include "main/driver.hpp"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string scratchfile(const std::string& name, const std::string& contents) {
    std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

TEST(Driver, ReadsEveryLineWithALineEnd) {
    EXPECT_EQ(readsource(scratchfile("ended.VKEX", "a\nb\n")), "a\nb\n");
    EXPECT_EQ(readsource(scratchfile("unended.VKEX", "a\nb")), "a\nb\n");
    EXPECT_EQ(readsource(scratchfile("empty.VKEX", "")), "");
    EXPECT_EQ(readsource(testing::TempDir() + "no-such-file.VKEX"), "");
}

TEST(Driver, ListsBytesInHexAndStaysInHex) {
    std::ostringstream out;
    listcode(out, {0, 0x41, 2, 0xe});
    out << 255;
    EXPECT_EQ(out.str(), "0 41 2 e ff");
}

}  // namespace

namespace {

struct runresult {
    int status;
    std::string out;
    std::string err;
};

std::string slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

runresult runvesk(const std::string& arguments) {
    // ctest runs tests side by side: name the files after the test
    std::string base = testing::TempDir() + testing::UnitTest::GetInstance()->current_test_info()->name();
    std::string out = base + ".out";
    std::string err = base + ".err";
    std::string command = std::string(VESK_BINARY) + arguments + " </dev/null >" + out + " 2>" + err;
    int raw = std::system(command.c_str());
    return {WEXITSTATUS(raw), slurp(out), slurp(err)};
}

TEST(Driver, WrongArgumentCountPrintsUsageAndFails) {
    for (const char* arguments : {"", " a.VKEX b.VKEX"}) {
        runresult run = runvesk(arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "reading file...\n");
        EXPECT_EQ(run.err, "Too many or not enough arguments.\n");
    }
}

TEST(Driver, MissingFileRunsAsEmptyProgram) {
    runresult run = runvesk(" " + testing::TempDir() + "no-such-file.VKEX");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "reading file...\nfile read. compiling...\ncompilation finished. starting vm...\ninit...\n"
              "inserting code to codestack...\nexecution loop...\n\n<VESK 4> Program finished.\n");
    EXPECT_EQ(run.err, "");
}

}  // namespace
