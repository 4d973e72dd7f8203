#include "lsp/documents.hpp"

#include "lsp/uri.hpp"

const document& documentstore::put(const std::string& uri, std::string text, bool validtext) {
    document& entry = documents[uri];
    entry.uri = uri;
    entry.text = std::move(text);
    entry.validtext = validtext;
    entry.path = pathofuri(uri);
    return entry;
}

void documentstore::close(const std::string& uri) { documents.erase(uri); }

const document* documentstore::find(const std::string& uri) const {
    auto found = documents.find(uri);
    return found == documents.end() ? nullptr : &found->second;
}

const document* documentstore::findpath(const std::string& path) const {
    for (const auto& [uri, entry] : documents)
        if (entry.path == path) return &entry;
    return nullptr;
}
