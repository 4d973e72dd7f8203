#include "lsp/warningspan.hpp"

#include <algorithm>
#include <vector>

namespace {

bool isblank(char c) { return c == ' ' || c == '\t'; }

std::size_t trimmedend(std::string_view line) {
    std::size_t end = line.size();
    while (end > 0 && isblank(line[end - 1])) end -= 1;
    return end;
}

// How a quotation that matches a text ends.
enum class matchkind { none, exact, block, cut };

struct quotematch {
    matchkind how = matchkind::none;
    std::size_t end = 0;      // where the matched text ends on the line (exact) or where the block's { is
    std::size_t after = 0;    // where the quotation ends in the message, after its closing quote
};

bool closesquote(std::string_view message, std::size_t at) {
    if (at >= message.size() || message[at] != '\'') return false;
    return at + 1 == message.size() || std::string_view(" :;,.?)").find(message[at + 1]) != std::string_view::npos;
}

// Matches the quotation that starts after message[open] (a quote) against the line from `column`.
quotematch matchquotation(std::string_view line, std::size_t column, std::string_view message, std::size_t open) {
    std::size_t i = column;
    std::size_t j = open + 1;
    while (j < message.size()) {
        std::string_view rest = message.substr(j);
        if (closesquote(message, j) && i > column && (i == line.size() || line[i] != '\'')) {
            return {matchkind::exact, i, j + 1};
        }
        if (rest.starts_with("{...}'") && i < line.size() && line[i] == '{') return {matchkind::block, i, j + 6};
        if (rest.starts_with("...}'")) return {matchkind::cut, i, j + 5};
        if (rest.starts_with("...'")) return {matchkind::cut, i, j + 4};
        if (i >= line.size()) return {};
        if (message[j] == ' ' && isblank(line[i])) {
            while (i < line.size() && isblank(line[i])) i += 1;
            j += 1;
        } else if (line[i] == '\t' && rest.starts_with("\\t")) {
            i += 1;
            j += 2;
        } else if (line[i] == message[j]) {
            i += 1;
            j += 1;
        } else {
            return {};
        }
    }
    return {};
}

// The text of the rewrite a message ends with, as it is quoted.
std::optional<std::string_view> rewriteof(std::string_view message) {
    constexpr std::string_view lead = "write '";
    std::size_t at = message.rfind(lead);
    if (at == std::string_view::npos || !message.ends_with('\'')) return std::nullopt;
    if (at > 0 && message[at - 1] != ' ') return std::nullopt;
    std::size_t start = at + lead.size();
    if (start >= message.size()) return std::nullopt;
    return message.substr(start, message.size() - 1 - start);
}

// The edit for a rewrite, where the quotation gave the whole text it replaces: a block's body stays
// as it is, and a rewrite shown cut, or with a backslash that may be a shown escape, cannot be written
// back.
std::optional<lineedit> editfor(std::size_t column, const quotematch& match,
                                std::string_view rewrite) {
    if (match.how == matchkind::block) {
        if (!rewrite.ends_with("{...}")) return std::nullopt;
        rewrite.remove_suffix(5);
    } else if (match.how != matchkind::exact) {
        return std::nullopt;
    }
    if (rewrite.find("...") != std::string_view::npos || rewrite.find('\\') != std::string_view::npos) return std::nullopt;
    return lineedit{column, match.end - column, std::string(rewrite)};
}

std::size_t tokenlength(std::string_view line, std::size_t column) {
    std::size_t end = column;
    while (end < line.size() && !isblank(line[end])) end += 1;
    return std::max<std::size_t>(end - column, column < line.size() ? 1 : 0);
}

// The quoted text begins at the column or near it: the nearest place first, before it, then after.
std::vector<std::size_t> startsnear(std::string_view line, std::size_t column) {
    constexpr std::size_t reach = 256;
    std::vector<std::size_t> starts{column};
    for (std::size_t back = 1; back <= std::min(column, reach); ++back) starts.push_back(column - back);
    for (std::size_t ahead = column + 1; ahead < std::min(line.size(), column + reach); ++ahead) starts.push_back(ahead);
    return starts;
}

}  // namespace

warningextent extentofwarning(std::string_view line, std::size_t column, std::string_view message) {
    column = std::min(column, line.size());
    std::vector<std::size_t> starts = startsnear(line, column);
    auto extentat = [&](std::size_t start, const quotematch& match, bool opening) {
        warningextent extent;
        extent.start = start;
        extent.length = (match.how == matchkind::exact ? match.end : std::max(trimmedend(line), start)) - start;
        // Only the quotation the message opens with is the text a rewrite replaces.
        std::optional<std::string_view> rewrite = rewriteof(message);
        if (opening && rewrite && match.after < message.size() - rewrite->size())
            extent.rewrite = editfor(start, match, *rewrite);
        return extent;
    };
    // A message that opens with a quotation is about that text, wherever near the column it begins.
    if (message.starts_with('\'')) {
        for (std::size_t start : starts) {
            quotematch match = matchquotation(line, start, message, 0);
            if (match.how != matchkind::none) return extentat(start, match, true);
        }
    }
    for (std::size_t start : starts) {
        for (std::size_t open = message.find('\'', 1); open != std::string_view::npos; open = message.find('\'', open + 1)) {
            if (message[open - 1] != ' ') continue;
            quotematch match = matchquotation(line, start, message, open);
            if (match.how != matchkind::none) return extentat(start, match, false);
        }
    }
    return {column, tokenlength(line, column), std::nullopt};
}
