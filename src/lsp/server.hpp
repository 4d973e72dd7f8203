#pragma once

#include <functional>
#include <istream>
#include <map>
#include <ostream>
#include <set>
#include <string>

#include "lsp/diagnostics.hpp"
#include "lsp/documents.hpp"
#include "lsp/protocol.hpp"

// `vesk --lsp`: the language server, one message at a time, each answered before the next is read.

class languageserver {
public:
    // Replies and notifications go to `out`, what went wrong with the input to `log`.
    languageserver(std::ostream& out, std::ostream& log);

    // Handles one message's body.
    void handle(const std::string& body);

    bool exited() const { return exitreceived; }
    // The status to end with: 0 once `shutdown` came before `exit` (or before the input ended).
    int status() const { return shutdownreceived ? 0 : 1; }

private:
    using requesthandler = std::function<json(const json& params)>;
    // `repaired`: the message was not UTF-8, and a text it carries is refused as such.
    using notificationhandler = std::function<void(const json& params, bool repaired)>;

    void dispatch(const json& message, bool repaired);
    void request(const json& id, const std::string& method, const json& params);
    void send(const json& message);

    void opened(const json& params, bool repaired);
    void changed(const json& params, bool repaired);
    void publish(const document& doc);
    void unpublish(const std::string& uri);
    json codeactions(const json& params);
    const document& documentof(const json& params) const;

    std::ostream& out;
    std::ostream& log;
    documentstore documents;
    std::map<std::string, requesthandler> requests;
    std::map<std::string, notificationhandler> notifications;
    // The diagnostics last published for each file, by URI, where their rewrites are found again.
    std::map<std::string, std::vector<diagnostic>> published;
    // For each document, the module files whose diagnostics it published.
    std::map<std::string, std::set<std::string>> modulespublished;
    bool initialized = false;
    bool shutdownreceived = false;
    bool exitreceived = false;
};

// Serves the protocol over `in` and `out` until `exit` or the end of the input; returns the status.
int servelanguage(std::istream& in, std::ostream& out, std::ostream& log);
