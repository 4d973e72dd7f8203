#include "compiler/warnsplit.hpp"

#include <string>

#include "compiler/splitter.hpp"
#include "compiler/warntext.hpp"

namespace {

// Texts of the same length split alike when their tokens have the same lengths: only blanks, tabs and
// line ends fall between tokens.
bool tokensalike(const std::vector<std::vector<std::string>>& a, const std::vector<std::vector<std::string>>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].size() != b[i].size()) return false;
        for (std::size_t j = 0; j < a[i].size(); ++j) {
            if (a[i][j].size() != b[i][j].size()) return false;
        }
    }
    return true;
}

// What the splitter tells a reader of -w: its complaints, and how it failed.
bool toldalike(const wholesplit& a, const wholesplit& b) {
    return a.complaints == b.complaints && a.message == b.message;
}

bool splitalike(const wholesplit& a, const wholesplit& b) {
    return a.status == b.status && toldalike(a, b) && tokensalike(a.statements, b.statements);
}

// The statements of a text that the splitter cut up, each token with its place (`offset` is the
// text's).
std::vector<std::vector<token>> placed(const wholesplit& result, std::size_t offset) {
    std::vector<std::vector<token>> out;
    for (std::size_t s = 0; s < result.statements.size(); ++s) {
        std::vector<token>& tokens = out.emplace_back();
        for (std::size_t t = 0; t < result.statements[s].size(); ++t) {
            tokens.push_back({result.statements[s][t], offset + result.starts[s][t]});
        }
    }
    return out;
}

// A string literal as a reader sees it: from a double quote to the next one on the same line that no
// backslash escapes.
struct literal {
    std::size_t open;
    std::size_t close;
};

std::vector<literal> literals(std::string_view text) {
    std::vector<literal> out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '"') continue;
        std::size_t j = i + 1;
        while (j < text.size() && text[j] != '"' && text[j] != '\n') j += text[j] == '\\' ? 2 : 1;
        if (j >= text.size() || text[j] != '"') continue;
        out.push_back({i, j});
        i = j;
    }
    return out;
}

// The characters inside string literals that the splitter may count, in text order.
std::vector<std::size_t> countable(std::string_view text, const std::vector<literal>& found) {
    std::vector<std::size_t> out;
    for (const literal& l : found) {
        for (std::size_t i = l.open + 1; i < l.close; ++i) {
            if (std::string_view("()[]{}'\"").find(text[i]) != std::string_view::npos) out.push_back(i);
        }
    }
    return out;
}

// The text with the countable characters from `first` on replaced by a letter, which counts for nothing.
std::string neutralised(std::string_view text, const std::vector<std::size_t>& chars, std::size_t first) {
    std::string out(text);
    for (std::size_t k = first; k < chars.size(); ++k) out[chars[k]] = 'x';
    return out;
}

// The first character whose counting makes the split differ: with the characters before it counted
// and those after it not, counting it changes the split.
std::size_t culprit(std::string_view text, const std::vector<std::size_t>& chars, const wholesplit& uncounted) {
    std::size_t alike = 0;
    std::size_t differs = chars.size();
    while (differs - alike > 1) {
        std::size_t middle = (alike + differs) / 2;
        if (splitalike(splitwhole(neutralised(text, chars, middle)), uncounted)) {
            alike = middle;
        } else {
            differs = middle;
        }
    }
    return chars[differs - 1];
}

// What counting does to the split, as the end of a sentence.
std::string consequence(const wholesplit& counted, const wholesplit& uncounted) {
    std::vector<std::string> effects;
    if (counted.status == 51) {
        return "so a bracket or quote stays open at the end of the line: the statement runs on into the lines after "
               "it, and the program does not compile (the splitter's status 51) when nothing closes it";
    }
    if (counted.status != 0) {
        effects.push_back("the program does not compile (the splitter's status " + std::to_string(counted.status) +
                          ")");
    } else if (counted.statements.size() < uncounted.statements.size()) {
        effects.push_back("the statement runs on into the lines after it");
    } else if (!tokensalike(counted.statements, uncounted.statements)) {
        effects.push_back("the line is cut into other tokens than it shows");
    }
    if (!toldalike(counted, uncounted)) {
        effects.push_back("the splitter prints \"PARSER FAILURE\" and miscounts the rest of the block");
    }
    std::string out = "so";
    for (std::size_t i = 0; i < effects.size(); ++i) out += (i == 0 ? " " : " and ") + effects[i];
    return out;
}

// Works where the literal on a line of its own splits as an assignment of one value.
std::string ownlinerewrite(std::string_view string) {
    std::string assignment = "s = " + std::string(string);
    wholesplit result = splitwhole(assignment);
    bool clean = result.status == 0 && result.complaints == 0 && result.statements.size() == 1 &&
                 result.statements[0].size() == 3;
    return clean ? "; write the string on a line of its own, as in " + assignment + ", and use s" : "";
}

void reportcounted(warnstate& state, std::string_view text, std::size_t offset, std::size_t at,
                   const std::string& consequences) {
    const std::vector<literal> found = literals(text);
    literal around = found.front();
    for (const literal& l : found) {
        if (l.open < at && at < l.close) around = l;
    }
    std::string_view string = text.substr(around.open, around.close - around.open + 1);
    char c = text[at];
    std::string message;
    if (c == '"') {
        message = "the statement splitter knows no escapes: the '\"' after the backslash in " + quoted(string) +
                  " ends the string there, " + consequences;
    } else {
        std::string what = c == '\'' ? "a quote" : "a bracket";
        message = "the statement splitter counts the '" + std::string(1, c) + "' inside " + quoted(string) + " as " +
                  what + ", " + consequences + ownlinerewrite(string);
    }
    state.report(offset + at, std::move(message));
}

// Where counting the characters inside string literals changes how the block splits. Each statement
// is judged alone first, so that each trap is reported where it stands; what only the block as a
// whole shows is reported at the first character that makes the difference.
void reportcountedblock(warnstate& state, std::string_view text, std::size_t offset,
                        const std::vector<std::size_t>& chars, const wholesplit& counted, const wholesplit& uncounted) {
    bool reported = false;
    std::size_t next = 0;
    for (const auto& statement : placed(uncounted, 0)) {
        std::size_t begin = statement.front().offset;
        std::size_t end = statement.back().offset + statement.back().text.size();
        std::vector<std::size_t> inside;
        for (; next < chars.size() && chars[next] < end; ++next) {
            if (chars[next] >= begin) inside.push_back(chars[next] - begin);
        }
        if (inside.empty()) continue;
        std::string_view piece = text.substr(begin, end - begin);
        wholesplit alone = splitwhole(piece);
        wholesplit uncountedalone = splitwhole(neutralised(piece, inside, 0));
        if (splitalike(alone, uncountedalone)) continue;
        reportcounted(state, text, offset, begin + culprit(piece, inside, uncountedalone),
                      consequence(alone, uncountedalone));
        reported = true;
    }
    if (!reported) reportcounted(state, text, offset, culprit(text, chars, uncounted), consequence(counted, uncounted));
}

}  // namespace

std::vector<std::vector<token>> splitblock(warnstate& state, std::string_view text, std::size_t offset) {
    wholesplit counted = splitwhole(text);
    std::vector<std::size_t> chars = countable(text, literals(text));
    if (!chars.empty()) {
        wholesplit uncounted = splitwhole(neutralised(text, chars, 0));
        if (!splitalike(counted, uncounted)) reportcountedblock(state, text, offset, chars, counted, uncounted);
    }
    if (counted.status != 0) throw walkstopped{};
    return placed(counted, offset);
}
