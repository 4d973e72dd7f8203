#include "lsp/server.hpp"

#include "lsp/features.hpp"
#include "lsp/framing.hpp"
#include "lsp/program.hpp"
#include "lsp/textlines.hpp"

namespace {

constexpr int deepestmessage = 64;

// A body that is not UTF-8 cannot be parsed as JSON: its bad bytes become U+FFFD, and a document
// sent in it is refused as not UTF-8 rather than the message being lost.
std::string repairedutf8(const std::string& body) {
    std::string out;
    for (std::size_t at = 0; at < body.size();) {
        std::size_t length = utf8sequence(body, at);
        if (length == 0) {
            out += "\xef\xbf\xbd";
            at += 1;
        } else {
            out.append(body, at, length);
            at += length;
        }
    }
    return out;
}

json diagnosticjson(const diagnostic& found) {
    return {{"range", rangejson(found.range)},
            {"severity", static_cast<int>(found.level)},
            {"source", "vesk"},
            {"message", found.message}};
}

bool overlaps(const linerange& range, const json& asked) {
    lineposition start = positionfrom(asked.at("start"));
    lineposition end = positionfrom(asked.at("end"));
    return range.start.line <= end.line && range.end.line >= start.line;
}

}  // namespace

languageserver::languageserver(std::ostream& out, std::ostream& log) : out(out), log(log) {
    requests["initialize"] = [this](const json&) {
        initialized = true;
        return json{{"capabilities",
                     {{"textDocumentSync", {{"openClose", true}, {"change", 1}, {"save", {{"includeText", true}}}}},
                      {"documentSymbolProvider", true},
                      {"definitionProvider", true},
                      {"hoverProvider", true},
                      {"completionProvider", {{"triggerCharacters", {"."}}}},
                      {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}}}},
                    {"serverInfo", {{"name", "vesk"}, {"version", VESK_VERSION}}}};
    };
    requests["shutdown"] = [this](const json&) {
        shutdownreceived = true;
        return json(nullptr);
    };
    requests["textDocument/documentSymbol"] = [this](const json& params) {
        const document& doc = documentof(params);
        return documentsymbols({doc.uri, doc.text, outlineof(doc.text)});
    };
    requests["textDocument/definition"] = [this](const json& params) {
        return definitionat(programof(documentof(params), documents), positionfrom(params.at("position")));
    };
    requests["textDocument/hover"] = [this](const json& params) {
        return hoverat(programof(documentof(params), documents), positionfrom(params.at("position")));
    };
    requests["textDocument/completion"] = [this](const json& params) {
        return completionsat(programof(documentof(params), documents), positionfrom(params.at("position")));
    };
    requests["textDocument/codeAction"] = [this](const json& params) { return codeactions(params); };

    notifications["exit"] = [this](const json&, bool) { exitreceived = true; };
    notifications["textDocument/didOpen"] = [this](const json& params, bool repaired) { opened(params, repaired); };
    notifications["textDocument/didChange"] = [this](const json& params, bool repaired) { changed(params, repaired); };
    notifications["textDocument/didSave"] = [this](const json& params, bool repaired) {
        if (!params.contains("text")) {
            publish(documentof(params));
            return;
        }
        changed({{"textDocument", params.at("textDocument")}, {"contentChanges", {{{"text", params["text"]}}}}}, repaired);
    };
    notifications["textDocument/didClose"] = [this](const json& params, bool) {
        std::string uri = params.at("textDocument").at("uri");
        documents.close(uri);
        unpublish(uri);
    };
}

void languageserver::send(const json& message) { writemessage(out, serialised(message)); }

void languageserver::handle(const std::string& body) {
    bool repaired = !validutf8(body);
    // The protocol's messages nest a few levels deep. Deeper values are dropped while they are read:
    // copying or freeing a value recurses as deep as it nests.
    bool toodeep = false;
    auto depthcheck = [&toodeep](int depth, json::parse_event_t, json&) {
        if (depth > deepestmessage) toodeep = true;
        return !toodeep;
    };
    json message = json::parse(repaired ? repairedutf8(body) : body, depthcheck, false);
    if (toodeep) {
        log << "vesk --lsp: skipped a message nested deeper than " << deepestmessage << " levels" << std::endl;
    } else if (message.is_discarded()) {
        log << "vesk --lsp: skipped a message that is not JSON" << std::endl;
    } else {
        dispatch(message, repaired);
    }
}

void languageserver::dispatch(const json& message, bool repaired) {
    bool hasid = message.is_object() && message.contains("id") &&
                 (message["id"].is_number_integer() || message["id"].is_string());
    if (!message.is_object() || message.value("jsonrpc", "") != "2.0" || !message.contains("method") ||
        !message["method"].is_string()) {
        // A reply to nothing the server asked, or no message at all.
        if (message.is_object() && (message.contains("result") || message.contains("error"))) return;
        log << "vesk --lsp: skipped a message that is no JSON-RPC 2.0 request or notification" << std::endl;
        if (hasid) send(failure(message["id"], rpcerror::invalidrequest, "not a JSON-RPC 2.0 request"));
        return;
    }
    std::string method = message["method"];
    static const json noparams = json::object();
    const json& params = message.contains("params") ? message["params"] : noparams;
    if (hasid) {
        request(message["id"], method, params);
        return;
    }
    auto handler = notifications.find(method);
    // Any other notification needs nothing, and a notification never gets a reply.
    if (handler == notifications.end()) return;
    try {
        handler->second(params, repaired);
    } catch (const std::exception& problem) {
        log << "vesk --lsp: skipped " << method << ": " << problem.what() << std::endl;
    }
}

void languageserver::request(const json& id, const std::string& method, const json& params) {
    if (shutdownreceived) {
        send(failure(id, rpcerror::invalidrequest, "the server is shutting down"));
        return;
    }
    auto handler = requests.find(method);
    if (handler == requests.end()) {
        send(failure(id, rpcerror::methodnotfound, "method not found: " + method));
        return;
    }
    if (!initialized && method != "initialize") {
        send(failure(id, rpcerror::notinitialized, "the server is not initialized"));
        return;
    }
    try {
        send(result(id, handler->second(params)));
    } catch (const std::exception& problem) {
        send(failure(id, rpcerror::invalidparams, problem.what()));
    }
}

const document& languageserver::documentof(const json& params) const {
    std::string uri = params.at("textDocument").at("uri");
    const document* found = documents.find(uri);
    if (!found) throw std::invalid_argument("no open document " + uri);
    return *found;
}

void languageserver::opened(const json& params, bool repaired) {
    const json& item = params.at("textDocument");
    publish(documents.put(item.at("uri"), item.at("text"), !repaired));
}

void languageserver::changed(const json& params, bool repaired) {
    std::string uri = params.at("textDocument").at("uri");
    const json& changes = params.at("contentChanges");
    // Full synchronisation: the last change holds the whole text.
    if (!changes.is_array() || changes.empty()) return;
    publish(documents.put(uri, changes.back().at("text"), !repaired));
}

void languageserver::publish(const document& doc) {
    diagnosedfiles found = diagnose(doc, documents);
    std::set<std::string> modules;
    for (auto& [uri, diagnostics] : found) {
        // An open module gets its own diagnostics when it is compiled as the document it is.
        if (uri != doc.uri && documents.find(uri)) continue;
        if (uri != doc.uri) modules.insert(uri);
        json list = json::array();
        for (const diagnostic& each : diagnostics) list.push_back(diagnosticjson(each));
        send(notification("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", std::move(list)}}));
        published[uri] = std::move(diagnostics);
    }
    for (const std::string& uri : modulespublished[doc.uri]) {
        if (modules.count(uri) == 0 && !documents.find(uri)) unpublish(uri);
    }
    modulespublished[doc.uri] = std::move(modules);
}

void languageserver::unpublish(const std::string& uri) {
    send(notification("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}}));
    published.erase(uri);
    auto modules = modulespublished.find(uri);
    if (modules == modulespublished.end()) return;
    std::set<std::string> uris = std::move(modules->second);
    modulespublished.erase(modules);
    for (const std::string& module : uris)
        if (!documents.find(module)) unpublish(module);
}

json languageserver::codeactions(const json& params) {
    std::string uri = params.at("textDocument").at("uri");
    json actions = json::array();
    auto found = published.find(uri);
    if (found == published.end()) return actions;
    for (const diagnostic& each : found->second) {
        if (!each.rewrite || !overlaps(each.range, params.at("range"))) continue;
        json edit = {{"range", rangejson(each.range)}, {"newText", *each.rewrite}};
        actions.push_back({{"title", "Write '" + *each.rewrite + "'"},
                           {"kind", "quickfix"},
                           {"diagnostics", json::array({diagnosticjson(each)})},
                           {"isPreferred", true},
                           {"edit", {{"changes", {{uri, json::array({edit})}}}}}});
    }
    return actions;
}

int servelanguage(std::istream& in, std::ostream& out, std::ostream& log) {
    languageserver server(out, log);
    messagereader reader(in, log);
    while (!server.exited()) {
        std::optional<std::string> body = reader.next();
        if (!body) break;
        server.handle(*body);
    }
    return server.status();
}
