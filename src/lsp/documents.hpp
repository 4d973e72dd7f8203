#pragma once

#include <map>
#include <optional>
#include <string>

// The documents the editor has open, with the text it last sent: what the server reads instead of the
// file on disk.

// A document over this size is not compiled.
inline constexpr std::size_t largestdocument = std::size_t{16} << 20;

struct document {
    std::string uri;
    std::string text;
    bool validtext = true;  // false when the editor sent bytes that are not UTF-8
    std::optional<std::string> path;  // for a file URI
};

class documentstore {
public:
    // Opens a document, or replaces its whole text.
    const document& put(const std::string& uri, std::string text, bool validtext);
    void close(const std::string& uri);

    const document* find(const std::string& uri) const;
    // The open document of a file, by its path.
    const document* findpath(const std::string& path) const;
    const std::map<std::string, document>& all() const { return documents; }

private:
    std::map<std::string, document> documents;
};
