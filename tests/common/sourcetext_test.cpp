#include "common/sourcetext.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

#include "support/scratch.hpp"

namespace {

std::string scratchfile(const std::string& name, const std::string& contents) {
    std::string path = scratchfolder("sourcetext") + name;
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

TEST(SourceText, EveryLineGetsALineEnd) {
    EXPECT_EQ(readsource(scratchfile("ended.VKEX", "a\nb\n")).text, "a\nb\n");
    EXPECT_EQ(readsource(scratchfile("unended.VKEX", "a\nb")).text, "a\nb\n");
    EXPECT_EQ(readsource(scratchfile("empty.VKEX", "")).text, "");
}

TEST(SourceText, OneCarriageReturnBeforeALineEndGoesWithIt) {
    EXPECT_EQ(readsource(scratchfile("crlf.VKEX", "a\r\nb\r\r\nc\rd\r")).text, "a\nb\r\nc\rd\n");
}

TEST(SourceText, AFileThatCannotBeReadSaysWhy) {
    sourceread missing = readsource(scratchfolder("sourcetext-missing") + "no-such-file.VKEX");
    EXPECT_EQ(missing.failure, ENOENT);
    EXPECT_EQ(readsource(scratchfolder("sourcetext-directory")).failure, EISDIR);
}

}  // namespace
