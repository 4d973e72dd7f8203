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
