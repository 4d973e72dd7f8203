#pragma once

#include <absl/container/node_hash_set.h>

#include <string>
#include <string_view>

namespace V4VM {

// A name as values, scopes and member maps hold it: one interned text, so that storing, copying and
// comparing a name never touches its characters. Texts are interned by the machine that runs the
// program and live as long as it.
extern const std::string unnamedtext;  // "Unnamed Variable"

class vname {
public:
    vname() : text(&unnamedtext) {}
    explicit vname(const std::string* interned) : text(interned) {}
    const std::string& str() const { return *text; }
    const std::string* key() const { return text; }
    friend bool operator==(vname a, vname b) { return a.text == b.text; }
    friend bool operator==(vname a, std::string_view b) { return *a.text == b; }

private:
    const std::string* text;
};

// Members are listed in the order of their names' texts, as every copy and listing shows them.
struct bytext {
    bool operator()(vname a, vname b) const { return a.key() != b.key() && a.str() < b.str(); }
};

class nametable {
public:
    vname intern(std::string_view text);

private:
    // Node-based, so that an interned text never moves; looked up by a view, with no text made.
    absl::node_hash_set<std::string> texts;
};

}  // namespace V4VM
