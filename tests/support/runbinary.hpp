#pragma once

#include <string>

// Runs the built `vesk` on a source text in a fresh scratch folder, as a user would.
struct binaryrun {
    int status;
    std::string out;
    std::string err;
    std::string folder;  // the scratch folder, left in place for the caller to inspect
};

// Runs `vesk` with the given argument text (appended to the command line as it is) and standard input.
binaryrun runwitharguments(const std::string& arguments, const std::string& input = "");

// Writes `source` to program.VKEX in a fresh scratch folder and runs `vesk program.VKEX` there.
binaryrun runsource(const std::string& source, const std::string& input = "");

std::string slurp(const std::string& path);
std::string firstline(const std::string& text);

// Runs a shell command in `folder` with vesk's standard error in err.txt; returns the exit status.
int runinfolder(const std::string& folder, const std::string& command);
