#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "compiler/compilerun.hpp"
#include "support/runbinary.hpp"
#include "support/scratch.hpp"
#include "main/run.hpp"
#include "vm/vmtest.hpp"

namespace fs = std::filesystem;

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

// A run confined to a folder (as the fuzz targets run programs) cannot tell a file outside it from a
// missing one, whatever it does with it, and its shell commands run nothing.
TEST(Files, AConfinedRunSeesNothingOutsideItsFolder) {
    fs::path sandbox = scratchfolder("confined-sandbox");
    fs::path outside = fs::path(scratchfolder("confined-outside")).parent_path();
    std::string secret = "../" + outside.filename().string() + "/secret.txt";
    const std::string uses[] = {
        "print(str(fs.exists(S)))\nprint(str(fs.isdir(S)))\nprint(open(S, \"read\").read())\nfs.delete(S)\n",
        "fs.listdir(S)\n", "fs.cd(S)\n", "fs.createdir(S+\"/sub\")\n", "open(S, \"write\")\n",
        "print(str(system(\"touch shell.txt\")))\n",
    };
    auto run = [&](const std::string& use, bool confined) {
        runsettings settings;
        settings.quiet = true;
        settings.noshell = true;
        if (confined) settings.confinedto = sandbox.string();
        bytes code = compiled("also stdcon\nfs = Gprogroot.filesystem\nS = \"" + secret + "\"\n" + use);
        fs::path previous = fs::current_path();
        fs::current_path(sandbox);
        vmtest::output printed = vmtest::capture([&] { runprogram(code, settings); });
        fs::current_path(previous);
        return printed.out + printed.err;
    };
    std::vector<std::string> printed;
    for (const std::string& use : uses) {
        fs::create_directories(outside);
        std::ofstream(outside / "secret.txt") << "secret";
        printed.push_back(run(use, true));
        EXPECT_EQ(slurp((outside / "secret.txt").string()), "secret") << use;
        EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator()), 1) << use;
        fs::remove_all(outside);  // now the path is missing, folder and all
        EXPECT_EQ(printed.back(), run(use, false)) << use;
    }
    EXPECT_EQ(printed[0], "0\n0\n\n");
    EXPECT_EQ(printed[5], "-1\n");
    EXPECT_FALSE(fs::exists(sandbox / "shell.txt"));
}

}  // namespace
