#include "support/scratch.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

std::string scratchfolder(const std::string& name) {
    std::string folder = testing::TempDir() + "vesk-" + std::to_string(getpid()) + "-" + name + "/";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

std::string testfolder() {
    static int runs = 0;
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    return scratchfolder(std::string(test->test_suite_name()) + "-" + test->name() + "-" + std::to_string(++runs));
}
