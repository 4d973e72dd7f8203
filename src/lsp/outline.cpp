#include "lsp/outline.hpp"

#include <algorithm>
#include <cctype>
#include <set>

namespace {

bool isblank(char c) { return c == ' ' || c == '\t'; }

struct word {
    std::string_view text;
    std::size_t column;
};

// The line's tokens: blanks and tabs separate them except inside brackets, braces and quotes.
std::vector<word> tokensof(std::string_view line) {
    std::vector<word> tokens;
    int depth = 0;
    bool instring = false;
    std::size_t start = std::string_view::npos;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        char c = i < line.size() ? line[i] : ' ';
        bool separates = i == line.size() || (!instring && depth <= 0 && isblank(c));
        if (separates) {
            if (start != std::string_view::npos) tokens.push_back({line.substr(start, i - start), start});
            start = std::string_view::npos;
            continue;
        }
        if (start == std::string_view::npos) start = i;
        if (c == '"') instring = !instring;
        if (instring) continue;
        if (c == '(' || c == '[' || c == '{') depth += 1;
        if (c == ')' || c == ']' || c == '}') depth -= 1;
    }
    return tokens;
}

// Braces opened minus braces closed on a line, outside strings.
int braces(std::string_view line) {
    int net = 0;
    bool instring = false;
    for (char c : line) {
        if (c == '"') instring = !instring;
        if (instring) continue;
        if (c == '{') net += 1;
        if (c == '}') net -= 1;
    }
    return net;
}

bool isnamechar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool isplainname(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), isnamechar);
}

struct parameter {
    std::string name;
    std::size_t offset;  // in the text the list was read from
};

std::vector<parameter> parametersof(std::string_view inside, std::size_t offset) {
    std::vector<parameter> parameters;
    std::size_t from = 0;
    while (from <= inside.size()) {
        std::size_t comma = std::min(inside.find(',', from), inside.size());
        std::string_view piece = inside.substr(from, comma - from);
        std::size_t first = piece.find_first_not_of(" \t");
        std::size_t last = piece.find_last_not_of(" \t");
        if (first != std::string_view::npos)
            parameters.push_back({std::string(piece.substr(first, last - first + 1)), offset + from + first});
        from = comma + 1;
    }
    return parameters;
}

void addonce(std::vector<symbol>& names, symbol named) {
    bool known = std::any_of(names.begin(), names.end(), [&](const symbol& s) { return s.name == named.name; });
    if (!known) names.push_back(std::move(named));
}

// Reads a text line by line, keeping the blocks of functions and classes open.
class outliner {
public:
    outline read(std::string_view text) {
        std::size_t index = 0;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = std::min(text.find('\n', start), text.size());
            readline(text.substr(start, end - start), index++);
            start = end + 1;
        }
        while (!open.empty()) close(index == 0 ? 0 : index - 1);
        return std::move(result);
    }

private:
    struct container {
        symbol* owner;
        int depth;  // the brace depth inside its block
    };

    void readline(std::string_view line, std::size_t index) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::vector<word> tokens = tokensof(line);
        symbol* opened = nullptr;
        if (!tokens.empty()) opened = statement(tokens, index);
        depth += braces(line);
        if (opened) {
            opened->endline = index;
            if (depth > depthbefore) open.push_back({opened, depth});
        }
        while (!open.empty() && depth < open.back().depth) close(index);
        depthbefore = depth;
    }

    void close(std::size_t index) {
        open.back().owner->endline = index;
        open.pop_back();
    }

    symbol* innerfunction() {
        for (auto it = open.rbegin(); it != open.rend(); ++it)
            if (it->owner->kind != symbolkind::classdef) return it->owner;
        return nullptr;
    }

    // Reads one statement; returns the function or class whose block it opens.
    symbol* statement(const std::vector<word>& tokens, std::size_t index) {
        std::string_view first = tokens[0].text;
        if (first == "also" && tokens.size() > 1) {
            result.imports.emplace_back(tokens[1].text);
        } else if ((first == "def" || first == "class") && tokens.size() > 1) {
            return definition(first == "def", tokens[1], index);
        } else if (first == "for" && tokens.size() > 3 && tokens[2].text == "as") {
            assigned(tokens[3], index);
        } else if (tokens.size() == 3 && tokens[1].text == "=") {
            assigned(tokens[0], index);
        }
        return nullptr;
    }

    symbol* definition(bool function, const word& named, std::size_t index) {
        std::string_view text = named.text;
        std::size_t paren = text.find('(');
        symbol made;
        made.name = std::string(text.substr(0, paren));
        if (!isplainname(made.name)) return nullptr;
        made.at = {index, named.column};
        made.endline = index;
        if (function && paren != std::string_view::npos) {
            std::size_t close = text.rfind(')');
            std::size_t length = close == std::string_view::npos || close < paren ? std::string_view::npos : close - paren - 1;
            for (parameter& each : parametersof(text.substr(paren + 1, length), named.column + paren + 1)) {
                symbol local;
                local.name = each.name;
                local.at = {index, each.offset};
                local.endline = index;
                made.parameters.push_back(std::move(each.name));
                made.locals.push_back(std::move(local));
            }
        }
        symbol* owner = open.empty() ? nullptr : open.back().owner;
        bool method = function && owner && owner->kind == symbolkind::classdef;
        made.kind = method ? symbolkind::method : function ? symbolkind::function : symbolkind::classdef;
        if (method) result.members.push_back({made.name, made.at});
        std::vector<symbol>& into = owner ? owner->children : result.symbols;
        into.push_back(std::move(made));
        return &into.back();
    }

    void assigned(const word& target, std::size_t index) {
        std::string_view text = target.text;
        std::size_t dot = text.rfind('.');
        if (dot != std::string_view::npos || text.starts_with('@')) {
            std::size_t from = dot != std::string_view::npos ? dot + 1 : 1;
            std::string_view member = text.substr(from);
            if (isplainname(member)) result.members.push_back({std::string(member), {index, target.column + from}});
            return;
        }
        if (!isplainname(text)) return;
        symbol named;
        named.name = std::string(text);
        named.at = {index, target.column};
        named.endline = index;
        symbol* function = innerfunction();
        if (function) {
            addonce(function->locals, std::move(named));
        } else if (open.empty() && toplevel.insert(named.name).second) {
            // Inside a class body, where only methods belong, nothing is stored.
            result.symbols.push_back(std::move(named));
        }
    }

    outline result;
    std::set<std::string> toplevel;  // the names of result.symbols
    // The blocks open at this line, innermost last. Only the innermost grows while it is open, so
    // the pointers into the symbols' vectors hold.
    std::vector<container> open;
    int depth = 0;
    int depthbefore = 0;
};

const symbol* innermostat(const std::vector<symbol>& symbols, std::size_t line) {
    for (const symbol& candidate : symbols) {
        if (candidate.kind == symbolkind::variable || line < candidate.at.line || line > candidate.endline) continue;
        if (const symbol* inner = innermostat(candidate.children, line)) return inner;
        if (candidate.kind != symbolkind::classdef) return &candidate;
    }
    return nullptr;
}

void visitall(const std::vector<symbol>& symbols, const std::function<void(const symbol&)>& visit) {
    for (const symbol& each : symbols) {
        visit(each);
        visitall(each.children, visit);
    }
}

}  // namespace

outline outlineof(std::string_view text) { return outliner().read(text); }

const symbol* functionat(const outline& read, std::size_t line) { return innermostat(read.symbols, line); }

void eachsymbol(const outline& read, const std::function<void(const symbol&)>& visit) { visitall(read.symbols, visit); }
