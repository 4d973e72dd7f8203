#include "lsp/framing.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

std::string framed(const std::string& body) { return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body; }

struct readresult {
    std::vector<std::string> bodies;
    std::string log;
};

readresult readall(const std::string& input) {
    std::istringstream in(input);
    std::ostringstream log;
    messagereader reader(in, log);
    readresult out;
    while (std::optional<std::string> body = reader.next()) out.bodies.push_back(*body);
    out.log = log.str();
    return out;
}

TEST(Framing, BodiesAreReadByTheirLengthWhateverTheyHold) {
    const char raw[] = "{\"a\":\"\r\n\r\nContent-Length: 3\r\n\"}\0x";
    std::string binary(raw, sizeof raw - 1);
    std::string input = framed("{}") + framed(binary) +
                        // Other headers, a header name in any case, a bare line feed, blanks between messages.
                        "Content-Type: application/vscode-jsonrpc; charset=utf-8\r\ncontent-LENGTH:  4 \n\r\n[12]" +
                        "\r\n\r\n" + framed("");
    readresult read = readall(input);
    ASSERT_EQ(read.bodies.size(), 4u);
    EXPECT_EQ(read.bodies[0], "{}");
    EXPECT_EQ(read.bodies[1], binary);
    EXPECT_EQ(read.bodies[2], "[12]");
    EXPECT_EQ(read.bodies[3], "");
    EXPECT_EQ(read.log, "");
}

TEST(Framing, MalformedInputIsLoggedAndSkippedToTheNextHeader) {
    const std::vector<std::string> garbage = {
        "Content-Length: twelve\r\n\r\n{\"x\": 1}",                // no number
        "Content-Length: -5\r\n\r\n",                              // no count
        "Content-Type: text/plain\r\n\r\n{\"x\":1}",              // no length at all
        "this is no header\r\n",                                   // no header
        "garbage without a line end",                              // and none after it: the next header is found inside
        "Content-Length: 2\r\nContent-Length: 2\r\n\r\n{}",      // two lengths: the second begins a block
    };
    for (const std::string& bad : garbage) {
        SCOPED_TRACE(bad);
        readresult read = readall(framed("[1]") + bad + framed("[2]"));
        ASSERT_GE(read.bodies.size(), 2u);
        EXPECT_EQ(read.bodies.front(), "[1]");
        EXPECT_EQ(read.bodies.back(), "[2]");
        EXPECT_NE(read.log, "");
        EXPECT_EQ(read.log.find('\n'), read.log.size() - 1) << read.log;  // one line each
    }
}

TEST(Framing, AnOversizedOrCutMessageEndsCleanly) {
    // Announced larger than any document: read past, not held; the input ends inside it.
    readresult read = readall("Content-Length: 999999999999\r\n\r\n{}");
    EXPECT_TRUE(read.bodies.empty());
    EXPECT_NE(read.log.find("more than"), std::string::npos);
    // A length past the end of the input.
    read = readall(framed("[1]") + "Content-Length: 10\r\n\r\n{}");
    ASSERT_EQ(read.bodies.size(), 1u);
    EXPECT_NE(read.log.find("ended inside a message"), std::string::npos);
    // A header line of endless garbage is not held whole.
    read = readall(std::string(1 << 20, 'x') + framed("[2]"));
    ASSERT_EQ(read.bodies.size(), 1u);
    EXPECT_EQ(read.bodies[0], "[2]");
    EXPECT_TRUE(readall("").bodies.empty());
    EXPECT_TRUE(readall("Content-Length: 5\r\n").bodies.empty());
}

TEST(Framing, AWrittenMessageReadsBack) {
    std::ostringstream out;
    writemessage(out, "{\"id\":1}");
    writemessage(out, "\xc3\xa9");
    EXPECT_EQ(out.str(), "Content-Length: 8\r\n\r\n{\"id\":1}Content-Length: 2\r\n\r\n\xc3\xa9");
    readresult read = readall(out.str());
    ASSERT_EQ(read.bodies.size(), 2u);
    EXPECT_EQ(read.bodies[1], "\xc3\xa9");
}

}  // namespace
