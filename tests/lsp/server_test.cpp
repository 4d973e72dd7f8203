#include "lsp/server.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "lsp/framing.hpp"
#include "lsp/uri.hpp"
#include "support/runbinary.hpp"
#include "support/scratch.hpp"

namespace {

std::string framed(const std::string& body) { return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body; }
std::string framed(const json& message) { return framed(message.dump()); }

json requestof(int id, const std::string& method, json params = json::object()) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}};
}
json notificationof(const std::string& method, json params = json::object()) {
    return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

const std::string uri = "file:///nowhere/prog.VKEX";

json opening(const std::string& text) {
    return notificationof("textDocument/didOpen",
                          {{"textDocument", {{"uri", uri}, {"languageId", "vesk"}, {"version", 1}, {"text", text}}}});
}
json changing(const std::string& text) {
    return notificationof("textDocument/didChange",
                          {{"textDocument", {{"uri", uri}, {"version", 2}}}, {"contentChanges", {{{"text", text}}}}});
}

struct session {
    std::vector<json> replies;
    std::string log;
    int status;
};

session serve(const std::string& input) {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream log;
    session run;
    run.status = servelanguage(in, out, log);
    std::istringstream written(out.str());
    std::ostringstream unused;
    messagereader reader(written, unused);
    while (std::optional<std::string> body = reader.next()) run.replies.push_back(json::parse(*body));
    EXPECT_EQ(unused.str(), "") << "the server's own framing";
    run.log = log.str();
    return run;
}

std::string initialised() { return framed(requestof(1, "initialize")) + framed(notificationof("initialized")); }
std::string ended() { return framed(requestof(99, "shutdown")) + framed(notificationof("exit")); }

const json* replyto(const session& run, int id) {
    for (const json& reply : run.replies)
        if (reply.contains("id") && reply["id"] == id) return &reply;
    return nullptr;
}

std::vector<json> published(const session& run) {
    std::vector<json> out;
    for (const json& reply : run.replies)
        if (reply.value("method", "") == "textDocument/publishDiagnostics") out.push_back(reply["params"]);
    return out;
}

TEST(Server, ItAnswersInitializeAndEndsWithShutdownAndExit) {
    session run = serve(initialised() + ended() + framed(requestof(100, "shutdown")));
    ASSERT_EQ(run.replies.size(), 2u);  // nothing is read after exit
    const json& capabilities = run.replies[0]["result"]["capabilities"];
    EXPECT_EQ(capabilities["textDocumentSync"]["change"], 1);
    EXPECT_TRUE(capabilities["definitionProvider"]);
    EXPECT_TRUE(capabilities["documentSymbolProvider"]);
    EXPECT_TRUE(capabilities["hoverProvider"]);
    EXPECT_EQ(capabilities["completionProvider"]["triggerCharacters"], json::array({"."}));
    EXPECT_TRUE(run.replies[1]["result"].is_null());
    EXPECT_EQ(run.replies[1]["id"], 99);
    EXPECT_EQ(run.status, 0);
    // An exit without shutdown, or an input that ends without exit, says that the end was not asked for.
    EXPECT_EQ(serve(initialised() + framed(notificationof("exit"))).status, 1);
    EXPECT_EQ(serve(initialised()).status, 1);
}

TEST(Server, BadMessagesGetTheProtocolsErrorsAndNeverAReplyToANotification) {
    std::string input = framed(requestof(1, "textDocument/hover")) +  // before initialize
                        initialised() + framed(requestof(2, "no/such/method")) +
                        framed(notificationof("no/such/notification")) + framed(std::string("{not json")) +
                        "Content-Length: x\r\n\r\n" + framed(json{{"jsonrpc", "2.0"}, {"id", 3}}) +
                        framed(json::array({1, 2})) + framed(requestof(4, "textDocument/hover", {{"nothing", 1}})) +
                        framed(notificationof("textDocument/didChange", {{"textDocument", 5}})) +
                        framed(json{{"jsonrpc", "2.0"}, {"id", 77}, {"result", nullptr}}) +  // a reply to nothing
                        framed(requestof(5, "shutdown")) + framed(requestof(6, "textDocument/hover")) +
                        framed(notificationof("exit"));
    session run = serve(input);
    auto code = [&](int id) { return (*replyto(run, id))["error"]["code"].get<int>(); };
    ASSERT_TRUE(replyto(run, 1) && replyto(run, 2) && replyto(run, 3) && replyto(run, 4) && replyto(run, 6));
    EXPECT_EQ(code(1), -32002);
    EXPECT_EQ(code(2), -32601);
    EXPECT_EQ(code(3), -32600);
    EXPECT_EQ(code(4), -32602);
    EXPECT_EQ(code(6), -32600);  // after shutdown
    EXPECT_FALSE(replyto(run, 77));
    // Initialize, the five requests and shutdown: nothing else was answered.
    EXPECT_EQ(run.replies.size(), 7u);
    EXPECT_EQ(run.status, 0);
    for (const char* logged : {"not JSON", "Content-Length", "no JSON-RPC", "textDocument/didChange"})
        EXPECT_NE(run.log.find(logged), std::string::npos) << logged << " in " << run.log;
}

TEST(Server, AMessageNestedDeeperThanTheProtocolNestsIsSkipped) {
    const std::size_t depth = 200000;
    std::string nested = std::string(depth, '[') + std::string(depth, ']');
    std::string deepparams = R"({"jsonrpc":"2.0","id":2,"method":"textDocument/hover","params":)" + nested + "}";
    session run = serve(initialised() + framed(nested) + framed(deepparams) + ended());
    ASSERT_EQ(run.replies.size(), 2u);  // initialize and shutdown
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.log.find("nested deeper"), std::string::npos);
}

TEST(Server, DiagnosticsFollowTheTextAndARewriteIsOfferedAsACodeAction) {
    std::string input = initialised() + framed(opening("also stdcon\nsum = 1 + 2\n")) +
                        framed(requestof(2, "textDocument/codeAction",
                                         {{"textDocument", {{"uri", uri}}},
                                          {"range", {{"start", {{"line", 1}, {"character", 3}}}, {"end", {{"line", 1}, {"character", 3}}}}},
                                          {"context", {{"diagnostics", json::array()}}}})) +
                        framed(changing("if (1)\n")) + framed(changing("x = 1\n")) +
                        framed(notificationof("textDocument/didSave", {{"textDocument", {{"uri", uri}}}})) +
                        framed(notificationof("textDocument/didClose", {{"textDocument", {{"uri", uri}}}})) + ended();
    session run = serve(input);
    std::vector<json> shown = published(run);
    ASSERT_EQ(shown.size(), 5u);
    ASSERT_EQ(shown[0]["diagnostics"].size(), 1u);
    const json& warning = shown[0]["diagnostics"][0];
    EXPECT_EQ(warning["severity"], 2);
    EXPECT_EQ(warning["source"], "vesk");
    EXPECT_EQ(warning["range"], rangejson({{1, 0}, {1, 11}}));
    const json& error = shown[1]["diagnostics"][0];
    EXPECT_EQ(error["severity"], 1);
    EXPECT_EQ(error["message"], "Incomplete if statement.");
    EXPECT_TRUE(shown[2]["diagnostics"].empty());
    EXPECT_TRUE(shown[3]["diagnostics"].empty());  // saved
    EXPECT_TRUE(shown[4]["diagnostics"].empty());  // closed
    for (const json& each : shown) EXPECT_EQ(each["uri"], uri);

    const json& actions = (*replyto(run, 2))["result"];
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0]["kind"], "quickfix");
    const json& edit = actions[0]["edit"]["changes"][uri][0];
    EXPECT_EQ(edit["newText"], "sum = 1+2");
    EXPECT_EQ(edit["range"], rangejson({{1, 0}, {1, 11}}));
}

TEST(Server, AModulesDiagnosticsAreClearedOnceNoDocumentImportsIt) {
    std::string folder = scratchfolder("server-modules");
    std::ofstream(folder + "shapes.VKEX") << "def area(side) {\n    return side * side\n}\n";
    std::string main = uriofpath(folder + "main.VKEX");
    std::string module = uriofpath(folder + "shapes.VKEX");
    auto opened = [&](const std::string& text) {
        return notificationof("textDocument/didOpen",
                              {{"textDocument", {{"uri", main}, {"languageId", "vesk"}, {"version", 1}, {"text", text}}}});
    };
    auto changed = [&](const std::string& text) {
        return notificationof("textDocument/didChange",
                              {{"textDocument", {{"uri", main}, {"version", 2}}}, {"contentChanges", {{{"text", text}}}}});
    };
    session run = serve(initialised() + framed(opened("also shapes\nx = area(2)\n")) + framed(changed("x = 2\n")) + ended());
    std::vector<json> shown = published(run);
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0]["uri"], main);
    EXPECT_EQ(shown[1]["uri"], module);
    EXPECT_EQ(shown[1]["diagnostics"].size(), 1u);
    EXPECT_EQ(shown[2]["uri"], main);
    EXPECT_EQ(shown[3]["uri"], module);
    EXPECT_TRUE(shown[3]["diagnostics"].empty());
}

TEST(Server, ADocumentSentAsBytesThatAreNotUtf8GetsOneDiagnostic) {
    std::string body = opening("x = \"\x01\"").dump();
    body.replace(body.find("\\u0001"), 6, "\xff\xfe");
    session run = serve(initialised() + framed(body) + ended());
    std::vector<json> shown = published(run);
    ASSERT_EQ(shown.size(), 1u);
    ASSERT_EQ(shown[0]["diagnostics"].size(), 1u);
    EXPECT_NE(shown[0]["diagnostics"][0]["message"].get<std::string>().find("UTF-8"), std::string::npos);
}

TEST(Server, TheBinaryServesOnItsStandardStreams) {
    binaryrun run = runwitharguments(" --lsp", initialised() + framed(opening("if (1)\n")) + ended());
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Incomplete if statement."), std::string::npos);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(runwitharguments(" --lsp", initialised()).status, 1);
    binaryrun withfile = runwitharguments(" --lsp prog.VKEX");
    EXPECT_EQ(withfile.status, 1);
    EXPECT_EQ(firstline(withfile.err), "vesk: --lsp takes no FILE");
    EXPECT_NE(runwitharguments(" --help").out.find("--lsp"), std::string::npos);
}

}  // namespace
