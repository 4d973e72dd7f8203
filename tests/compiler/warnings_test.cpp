#include "compiler/warnings.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/sourcetext.hpp"

namespace {

std::string firstline(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The examples and the guide's programs: those that run without an error report are warned about
// nothing, and those that stop with a machine error each fall into a trap that is warned about.
TEST(Warnings, GuideProgramsAreWarnedAboutExactlyWhenTheyFail) {
    const std::filesystem::path root = VESK_SOURCE_DIR;
    for (const auto& [programs, expectations] : {std::pair{root / "examples", root / "tests/examples"},
                                                 std::pair{root / "tests/guide", root / "tests/guide"}}) {
        for (const auto& entry : std::filesystem::directory_iterator(programs)) {
            if (entry.path().extension() != ".VKEX") continue;
            std::filesystem::path expected = expectations / entry.path().stem();
            std::string status = firstline(expected.string() + ".status");
            std::string error = firstline(expected.string() + ".err");
            std::vector<std::string> found = warnings(readsource(entry.path()), entry.path().filename());
            if (error.empty() && (status.empty() || std::stoi(status) < 50)) {
                EXPECT_TRUE(found.empty()) << entry.path() << ": " << found.front();
            } else if (error.starts_with("VESK 4 VM error")) {
                EXPECT_FALSE(found.empty()) << entry.path();
            }
        }
    }
}

}  // namespace
