#include "vm/names.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using V4VM::nametable;
using V4VM::text;

// Names taken from texts must be those of their bytes whatever buffers the texts share or reuse:
// a prefix and its extension in one buffer, equal bytes in two, the empty text, and texts made and
// freed over and over, so that the allocator hands out addresses it has seen before.
TEST(Names, TextsNameTheirBytes) {
    nametable names;
    text ab("ab");
    text abc = ab.append("c");  // grows in ab's buffer
    EXPECT_EQ(names.intern(ab).str(), "ab");
    EXPECT_EQ(names.intern(abc).str(), "abc");
    EXPECT_EQ(names.intern(ab).key(), names.intern(std::string_view("ab")).key());
    EXPECT_EQ(names.intern(text("abc")).key(), names.intern(abc).key());
    EXPECT_EQ(names.intern(text()).str(), "");

    for (int round = 0; round < 2000; ++round) {
        std::string bytes = "member" + std::to_string(round % 37);
        std::vector<text> made;
        for (int copy = 0; copy < 3; ++copy) made.emplace_back(bytes);
        for (const text& each : made) ASSERT_EQ(names.intern(each).str(), bytes);
    }
}

}  // namespace
