#include "support/runbinary.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/scratch.hpp"

namespace {

binaryrun runin(const std::string& folder, const std::string& arguments, const std::string& input) {
    std::ofstream(folder + "/.stdin", std::ios::binary) << input;
    std::string command = "cd '" + folder + "' && " + VESK_BINARY + arguments + " <.stdin >.stdout 2>.stderr";
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(folder + "/.stdout"), slurp(folder + "/.stderr"), folder};
}

}  // namespace

std::string slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string firstline(const std::string& text) { return text.substr(0, text.find('\n')); }

int runinfolder(const std::string& folder, const std::string& command) {
    std::string line = "cd '" + folder + "' && " + command + " 2>err.txt";
    int raw = std::system(("bash -c \"" + line + "\"").c_str());
    EXPECT_TRUE(WIFEXITED(raw));
    return WEXITSTATUS(raw);
}

binaryrun runwitharguments(const std::string& arguments, const std::string& input) {
    return runin(testfolder(), arguments, input);
}

binaryrun runsource(const std::string& source, const std::string& input) {
    std::string folder = testfolder();
    std::ofstream(folder + "/program.VKEX", std::ios::binary) << source;
    return runin(folder, " program.VKEX", input);
}
