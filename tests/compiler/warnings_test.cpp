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

// The examples and the guide's programs that run without an error report are warned about nothing.
TEST(Warnings, ProgramsThatWorkGetNoWarning) {
    const std::filesystem::path root = VESK_SOURCE_DIR;
    for (const auto& [programs, expectations] : {std::pair{root / "examples", root / "tests/examples"},
                                                 std::pair{root / "tests/guide", root / "tests/guide"}}) {
        for (const auto& entry : std::filesystem::directory_iterator(programs)) {
            if (entry.path().extension() != ".VKEX") continue;
            std::filesystem::path expected = expectations / entry.path().stem();
            std::string status = firstline(expected.string() + ".status");
            std::string error = firstline(expected.string() + ".err");
            bool works = error.empty() && (status.empty() || std::stoi(status) < 50);
            if (!works) continue;
            compilerequest request;
            request.name = entry.path().filename();
            warningsfound found = warnings(readsource(entry.path()).text, request);
            EXPECT_TRUE(found.warnings.empty()) << entry.path() << ": " << found.warnings.front().text;
        }
    }
}

}  // namespace
