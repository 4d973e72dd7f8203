#include "lsp/textlines.hpp"

#include <gtest/gtest.h>

#include "lsp/uri.hpp"

namespace {

TEST(TextLines, Utf8IsValidatedAsTheStandardSaysAndCountedInUtf16Units) {
    EXPECT_TRUE(validutf8("plain \xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"));
    EXPECT_TRUE(validutf8(""));
    for (std::string bad : {"\x80", "\xc3", "\xc0\xaf", "\xe0\x80\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xff",
                            "\xe2\x82"}) {
        EXPECT_FALSE(validutf8("a" + bad + "b")) << bad.size();
    }
    std::string line = "a\xc3\xa9\xf0\x9f\x98\x80z";  // a, e-acute (2 bytes), a face (4 bytes, 2 units), z
    EXPECT_EQ(utf16units(line, 0), 0u);
    EXPECT_EQ(utf16units(line, 3), 2u);
    EXPECT_EQ(utf16units(line, 7), 4u);
    EXPECT_EQ(utf16units(line, std::string::npos), 5u);
    EXPECT_EQ(byteoffset(line, 2), 3u);
    EXPECT_EQ(byteoffset(line, 4), 7u);
    EXPECT_EQ(byteoffset(line, 3), 3u);   // inside the face: its start
    EXPECT_EQ(byteoffset(line, 99), line.size());
    // A stray byte on disk counts as one unit and never reads past the line.
    EXPECT_EQ(utf16units("\xf0", 1), 1u);
    EXPECT_EQ(byteoffset("\xf0", 5), 1u);
}

TEST(TextLines, LinesAndSpansLeaveLineEndsOutAndStayInsideTheLine) {
    textlines lines("one\r\ntwo\n\nfour");
    ASSERT_EQ(lines.count(), 4u);
    EXPECT_EQ(lines.line(0), "one");
    EXPECT_EQ(lines.line(2), "");
    EXPECT_EQ(lines.line(3), "four");
    EXPECT_EQ(lines.line(9), "");
    linerange range = lines.span(1, 1, 99);
    EXPECT_EQ(range.start.character, 1u);
    EXPECT_EQ(range.end.character, 3u);
    EXPECT_EQ(lines.span(9, 4, 4).end.character, 0u);
    EXPECT_EQ(textlines("a\n").count(), 1u);
    EXPECT_EQ(lines.column({3, 2}), 2u);
}

TEST(Uri, FilePathsRoundTripThroughTheirUris) {
    for (std::string path : {"/home/ada/prog.VKEX", "/tmp/with space/%25/\xc3\xa9.VKEX", "/a#b?c"}) {
        std::string uri = uriofpath(path);
        EXPECT_TRUE(uri.starts_with("file:///")) << uri;
        EXPECT_EQ(uri.find(' '), std::string::npos);
        EXPECT_EQ(pathofuri(uri), path);
    }
    EXPECT_EQ(uriofpath("/a b#c"), "file:///a%20b%23c");
    EXPECT_EQ(pathofuri("file://localhost/x/y.VKEX"), "/x/y.VKEX");
    EXPECT_EQ(pathofuri("file:///x/%C3%A9%2"), "/x/\xc3\xa9%2");
    EXPECT_FALSE(pathofuri("untitled:Untitled-1"));
    EXPECT_FALSE(pathofuri("file://otherhost/x"));
}

}  // namespace
