#include "compiler/warntext.hpp"

#include <algorithm>

#include "compiler/scanner.hpp"
#include "compiler/tables.hpp"

namespace {

constexpr std::size_t longest = 60;

bool issymbol(char c) { return std::string_view("+-*/=!<>").find(c) != std::string_view::npos; }

std::string shown(std::string_view text) {
    if (text.starts_with('{')) return "{...}";
    std::string out(text.substr(0, text.find('\n')));
    bool cut = out.size() < text.size();
    if (out.size() > longest) {
        out.resize(longest);
        cut = true;
    }
    if (cut && out.ends_with('{') && text.ends_with('}')) return visible(out) + "...}";
    return visible(out) + (cut ? "..." : "");
}

}  // namespace

std::string visible(std::string_view text) {
    std::string out;
    for (char c : text) out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : std::string(1, c);
    return out;
}

std::string quoted(std::string_view text) { return "'" + shown(text) + "'"; }

std::string quoted(const std::vector<token>& tokens, std::size_t from, std::size_t to) {
    std::string out;
    for (std::size_t i = from; i < to; ++i) out += (i == from ? "" : " ") + shown(tokens[i].text);
    return "'" + out + "'";
}

bool iswordoperator(std::string_view text) {
    return std::find(wordoperators.begin(), wordoperators.end(), text) != wordoperators.end();
}

std::string tidied(std::string_view text) {
    std::string out;
    bool instring = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (instring || !isblankortab(c)) {
            if (c == '\\' && i + 1 < text.size()) {
                out += c;
                c = text[++i];
            } else if (c == '"') {
                instring = !instring;
            }
            out += c;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && isblankortab(text[end])) ++end;
        char before = out.empty() ? '\0' : out.back();
        char after = end < text.size() ? text[end] : '\0';
        bool drop = issymbol(before) || before == '(' || before == '[' || issymbol(after) || after == ')' ||
                    after == ']' || after == ',';
        if (!drop) out += before == ',' ? std::string(" ") : std::string(text.substr(i, end - i));
        i = end - 1;
    }
    return out;
}

std::string joined(const std::vector<std::string>& tokens) {
    bool anyempty = std::any_of(tokens.begin(), tokens.end(), [](const std::string& t) { return t.empty(); });
    if (tokens.empty() || anyempty || iswordoperator(tokens.front()) || iswordoperator(tokens.back())) return "";
    std::string out = tokens.front();
    bool words = false;
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        const std::string& before = tokens[i - 1];
        const std::string& current = tokens[i];
        if (iswordoperator(before) || iswordoperator(current)) {
            out += " " + current;
            words = true;
        } else if (issymbol(before.back()) || issymbol(current.front()) || current.front() == '(' ||
                   current.front() == '[') {
            out += current;
        } else {
            return "";
        }
    }
    return words ? "(" + out + ")" : out;
}

std::string missingstatement(std::string_view word) {
    if (word == "else") return "there is no 'else': write a second 'if' with the opposite condition";
    if (word == "elif") return "there is no 'elif': write another 'if'";
    if (word == "break") return "there is no 'break': end the loop through its condition";
    if (word == "continue") return "there is no 'continue': put the rest of the pass inside an 'if'";
    return "";
}
