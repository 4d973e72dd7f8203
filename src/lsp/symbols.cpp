#include "lsp/features.hpp"

namespace {

// The protocol's SymbolKind numbers.
int kindnumber(symbolkind kind) {
    switch (kind) {
    case symbolkind::function:
        return 12;
    case symbolkind::classdef:
        return 5;
    case symbolkind::method:
        return 6;
    case symbolkind::variable:
        break;
    }
    return 13;
}

json symboljson(const textlines& lines, const symbol& named) {
    linerange whole{{named.at.line, 0}, {named.endline, utf16units(lines.line(named.endline), std::string::npos)}};
    json made = {{"name", named.name},
                 {"kind", kindnumber(named.kind)},
                 {"range", rangejson(whole)},
                 {"selectionRange", rangejson(lines.span(named.at.line, named.at.column, named.name.size()))}};
    if (!named.parameters.empty() || named.kind == symbolkind::function || named.kind == symbolkind::method) {
        std::string detail;
        for (const std::string& parameter : named.parameters) detail += (detail.empty() ? "" : ", ") + parameter;
        made["detail"] = "(" + detail + ")";
    }
    json children = json::array();
    for (const symbol& child : named.children) children.push_back(symboljson(lines, child));
    if (!children.empty()) made["children"] = std::move(children);
    return made;
}

}  // namespace

json documentsymbols(const outlinedfile& file) {
    textlines lines(file.text);
    json symbols = json::array();
    for (const symbol& named : file.read.symbols) symbols.push_back(symboljson(lines, named));
    return symbols;
}
