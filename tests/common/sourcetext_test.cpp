#include "common/sourcetext.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "support/scratch.hpp"

namespace {

std::string scratchfile(const std::string& name, const std::string& contents) {
    std::string path = scratchfolder("sourcetext") + name;
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

TEST(SourceText, EveryLineGetsALineEnd) {
    EXPECT_EQ(readsource(scratchfile("ended.VKEX", "a\nb\n")), "a\nb\n");
    EXPECT_EQ(readsource(scratchfile("unended.VKEX", "a\nb")), "a\nb\n");
    EXPECT_EQ(readsource(scratchfile("empty.VKEX", "")), "");
    EXPECT_EQ(readsource(scratchfolder("sourcetext-missing") + "no-such-file.VKEX"), "");
}

}  // namespace
