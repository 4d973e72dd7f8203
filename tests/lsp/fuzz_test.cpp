#include <gtest/gtest.h>

#include <random>
#include <set>
#include <sstream>

#include "lsp/framing.hpp"
#include "lsp/server.hpp"

namespace {

std::string framed(const json& message) {
    std::string body = message.dump();
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A session an editor might send, with requests whose ids are 1 to 6.
std::string session() {
    const std::string uri = "file:///nowhere/fuzz.VKEX";
    json document = {{"uri", uri}};
    json position = {{"line", 2}, {"character", 5}};
    std::string text = "also stdcon\ncount = 3\ntotal = count + 1\ndef f(a) {\n    return a + 1\n}\nprint(str(f(count)))\n";
    std::vector<json> messages = {
        {{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", json::object()}},
        {{"jsonrpc", "2.0"}, {"method", "textDocument/didOpen"},
         {"params", {{"textDocument", {{"uri", uri}, {"languageId", "vesk"}, {"version", 1}, {"text", text}}}}}},
        {{"jsonrpc", "2.0"}, {"id", 2}, {"method", "textDocument/documentSymbol"}, {"params", {{"textDocument", document}}}},
        {{"jsonrpc", "2.0"}, {"id", 3}, {"method", "textDocument/hover"},
         {"params", {{"textDocument", document}, {"position", position}}}},
        {{"jsonrpc", "2.0"}, {"id", 4}, {"method", "textDocument/definition"},
         {"params", {{"textDocument", document}, {"position", position}}}},
        {{"jsonrpc", "2.0"}, {"id", 5}, {"method", "textDocument/completion"},
         {"params", {{"textDocument", document}, {"position", position}}}},
        {{"jsonrpc", "2.0"}, {"id", 6}, {"method", "shutdown"}},
        {{"jsonrpc", "2.0"}, {"method", "exit"}},
    };
    std::string out;
    for (const json& message : messages) out += framed(message);
    return out;
}

const std::vector<std::string> pieces = {"\r\n", "\r\n\r\n", "Content-Length: ", "Content-Length: 9\r\n\r\n", "{", "}",
                                         "\"", "\\", ":", ",", "0", "-1", "99999999999999999999", "\xff", "\xc3",
                                         std::string(1, '\0'), "null", "[]", "\"id\":", "\"method\":\"exit\""};

// However its input is mangled, the server ends when the input does, and what it writes is framed
// JSON that answers only the requests it was sent, each at most once.
TEST(ServerFuzz, MangledSessionsEndWithFramedRepliesToWhatWasAsked) {
    std::mt19937 random(16);
    const std::string original = session();
    for (int round = 0; round < 400; ++round) {
        std::string input = original;
        int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits; ++e) {
            std::size_t at = random() % input.size();
            switch (random() % 3) {
            case 0:
                input.insert(at, pieces[random() % pieces.size()]);
                break;
            case 1:
                input.erase(at, random() % 12);
                break;
            default:
                input[at] = static_cast<char>(random() % 256);
            }
            if (input.empty()) input = " ";
        }
        std::istringstream in(input);
        std::ostringstream out;
        std::ostringstream log;
        servelanguage(in, out, log);
        std::istringstream written(out.str());
        std::ostringstream framing;
        messagereader reader(written, framing);
        std::multiset<json> answered;
        while (std::optional<std::string> body = reader.next()) {
            json reply = json::parse(*body, nullptr, false);
            ASSERT_FALSE(reply.is_discarded()) << *body;
            if (!reply.contains("id")) continue;
            answered.insert(reply["id"]);
        }
        EXPECT_EQ(framing.str(), "");
        for (const json& id : answered) EXPECT_EQ(answered.count(id), 1u) << id << " in " << input;
    }
}

}  // namespace
