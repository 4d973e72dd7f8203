#include "compiler/warnwalk.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "compiler/nesting.hpp"
#include "compiler/scanner.hpp"
#include "compiler/tables.hpp"
#include "compiler/walk.hpp"
#include "compiler/warnexpressions.hpp"
#include "compiler/warnsplit.hpp"
#include "compiler/warntext.hpp"

namespace {

using tokens = std::vector<token>;

void walkblock(warnstate& state, std::string_view text, std::size_t offset, int mode);

std::vector<std::string> texts(const tokens& statement, std::size_t from) {
    std::vector<std::string> out;
    for (std::size_t i = from; i < statement.size(); ++i) out.push_back(statement[i].text);
    return out;
}

// The rewrite of a value written as several tokens, when it compiles cleanly as one.
std::string onetoken(const warnstate& state, const std::vector<std::string>& pieces) {
    std::string value = tidied(joined(pieces));
    return !value.empty() && compilescleanly(state, value) ? value : "";
}

// A condition written as several tokens, in the parentheses its statement wants.
std::string condition(const warnstate& state, const std::vector<std::string>& pieces) {
    std::string value = onetoken(state, pieces);
    if (value.empty()) return "";
    scantext group(value);
    bool grouped = group.startswith('(');
    if (grouped) {
        group.drop(1);
        seekstring(group, {")"}, groupingpairs, 0, false);
        grouped = group.rest() == ")";
    }
    return grouped ? value : "(" + value + ")";
}

const char* form(const std::string& keyword) {
    if (keyword == "if") return "if (condition) {block}";
    if (keyword == "while") return "while (condition) {block}";
    if (keyword == "for") return "for (list) as name {block}";
    if (keyword == "def") return "def name(parameters) {block}";
    if (keyword == "class") return "class name {block}";
    return "$@ object {block}";
}

void reportleftover(warnstate& state, const tokens& statement, std::size_t from) {
    if (from >= statement.size()) return;
    const std::string& keyword = statement[0].text;
    std::string left = quoted(statement, from, statement.size());
    std::string message;
    if (keyword == "return") {
        message =
            quoted(statement, 0, statement.size()) + " returns " + quoted(statement[1].text) + " and ignores " + left;
        std::string value = onetoken(state, texts(statement, 1));
        if (!value.empty()) message += "; write " + quoted("return " + value);
    } else if (keyword == "also") {
        message = quoted(statement, 0, statement.size()) + " imports " + quoted(statement[1].text) + " and ignores " +
                  left + "; write one 'also' per line";
    } else {
        message = left + " after the '" + keyword + "' statement is ignored";
        std::string missing = missingstatement(statement[from].text);
        if (!missing.empty()) message += "; " + missing;
    }
    state.report(statement[from].offset, std::move(message));
}

// The block of a keyword statement, at `at`; the tokens after it are left over. A token that is no
// block in braces is compiled as one anyway: the statement is reported whole, and what that token
// reads is not worth a warning of its own.
void walkformblock(warnstate& state, const tokens& statement, std::size_t at, int mode) {
    const token& block = statement[at];
    if (block.text.starts_with('{')) {
        walkblock(state, block.text, block.offset, mode);
        reportleftover(state, statement, at + 1);
        return;
    }
    const std::string& keyword = statement[0].text;
    bool hascondition = keyword == "if" || keyword == "while" || keyword == "$@";
    std::string message =
        quoted(statement, 0, statement.size()) + " does not have the form '" + form(keyword) + "': it takes ";
    if (hascondition)
        message += quoted(statement[1].text) + " as the " + (keyword == "$@" ? "object" : "condition") + " and ";
    message += quoted(block.text) + " as the block";
    if (at + 1 < statement.size()) message += " and ignores the rest";
    auto brace =
        std::find_if(statement.begin() + 1, statement.end(), [](const token& t) { return t.text.starts_with('{'); });
    if (hascondition && brace != statement.end()) {
        std::vector<std::string> pieces = texts(tokens(statement.begin(), brace), 1);
        std::string written = keyword == "$@" ? onetoken(state, pieces) : condition(state, pieces);
        if (!written.empty()) message += "; write " + quoted(keyword + " " + written + " {...}");
    }
    state.report(block.offset, std::move(message));
    bool recorded = state.readsrecorded;
    state.readsrecorded = false;
    walkblock(state, block.text, block.offset, mode);
    state.readsrecorded = recorded;
}

void walkmodule(warnstate& state, const token& name) {
    std::string filename = name.text + ".VKEX";
    if (filename == "strings.VKEX") {
        state.report(name.offset,
                     "the functions of the strings module stop the run with a machine error: its own "
                     "source writes blanks inside its conditions; use sizeof and the string method "
                     "get(i) instead");
    }
    if (!state.walkedmodules.insert(filename).second) return;
    moduletext module = readmodule(*state.modules, filename);
    const warnfile& file = state.files.emplace_back(filename, std::move(module.text), module.builtin);
    const warnfile* importer = state.file;
    walkfile(state, file);
    state.file = importer;
}

// `x = a + b`, `x= a`, `x =a`: an assignment written with blanks where a token has to be whole.
bool assignmentlike(const tokens& statement, std::string& name, std::vector<std::string>& value) {
    const std::string& head = statement[0].text;
    const std::string& next = statement[1].text;
    bool headends = head.size() > 1 && head.back() == '=' &&
                    std::string_view("=!<>").find(head[head.size() - 2]) == std::string_view::npos;
    if (next == "=") {
        name = head;
        value = texts(statement, 2);
    } else if (headends) {
        name = head.substr(0, head.size() - 1);
        value = texts(statement, 1);
    } else if (next.size() > 1 && next[0] == '=' && next[1] != '=') {
        name = head;
        value = texts(statement, 1);
        value[0].erase(0, 1);
    }
    return !value.empty();
}

// The keyword that `head` begins with when a parenthesis follows it at once, as in for(l): the statement
// is then an expression that calls a variable named like the keyword.
std::string keywordbeforeparenthesis(const std::string& head) {
    for (const std::string& keyword : statements) {
        if (head.starts_with(keyword + "(")) return keyword;
    }
    return "";
}

// The statement as it was meant: keyword(condition){block} as keyword, (condition) and {block}.
tokens withblanks(const tokens& statement, const std::string& keyword) {
    std::string rest = statement[0].text.substr(keyword.size());
    scantext group(rest);
    group.drop(1);
    seekstring(group, {")"}, groupingpairs, 0, false);
    std::size_t end = std::min(group.pos + 1, rest.size());
    tokens out = {{keyword, 0}, {rest.substr(0, end), 0}};
    if (end < rest.size()) out.push_back({rest.substr(end), 0});
    out.insert(out.end(), statement.begin() + 1, statement.end());
    return out;
}

void walkexpressionstatement(warnstate& state, const tokens& statement) {
    const std::string& head = statement[0].text;
    std::string missing = missingstatement(head);
    if (!missing.empty()) {
        state.report(statement[0].offset, quoted(statement, 0, statement.size()) +
                                              " is not a statement: it reads a variable named '" + head +
                                              "' and the run stops there; " + missing);
        return;
    }
    std::string keyword = keywordbeforeparenthesis(head);
    if (!keyword.empty()) {
        // The whole line is a call of a variable named like the keyword: nothing in it is worth more.
        tokens meant = withblanks(statement, keyword);
        std::string ignored = meant.size() > 2 ? " and the rest is ignored" : "";
        state.report(statement[0].offset, quoted(statement, 0, statement.size()) + " calls a variable named '" +
                                              keyword + "': without a blank after the keyword it is read as a name" +
                                              ignored + "; write " + quoted(meant, 0, meant.size()));
        return;
    }
    std::string name;
    std::vector<std::string> value;
    bool assignment = statement.size() > 1 && assignmentlike(statement, name, value);
    bool recorded = state.readsrecorded;
    if (assignment) state.readsrecorded = false;  // the leftover warning says all there is to say
    checkexpression(state, statement[0]);
    state.readsrecorded = recorded;
    if (statement.size() == 1) return;

    std::string message;
    std::string rewrite;
    if (assignment) {
        message =
            quoted(statement, 0, statement.size()) +
            " is not an assignment (an assignment is exactly three tokens): the line compiles as the expression " +
            quoted(head) + " and ignores the rest";
        rewrite = onetoken(state, value);
        if (!rewrite.empty()) rewrite = name + " = " + rewrite;
    } else {
        message = quoted(statement, 0, statement.size()) + " compiles as " + quoted(head) + " and ignores " +
                  quoted(statement, 1, statement.size());
        rewrite = onetoken(state, texts(statement, 0));
    }
    if (!rewrite.empty()) message += "; write " + quoted(rewrite);
    state.report(statement[1].offset, std::move(message));
}

// What a statement does: its expressions and targets, the names it assigns, its blocks and modules,
// and the tokens it leaves over.
struct statementchecks : statementlistener {
    statementchecks(warnstate& state, const tokens& statement) : state(state), statement(statement) {}

    void assignment() override {
        checkexpression(state, statement[2]);
        checktarget(state, statement[0], statement[2].text);
    }
    void expression() override { walkexpressionstatement(state, statement); }
    void ifstatement() override {
        checkexpression(state, statement[1]);
        walkformblock(state, statement, 2, 0);
    }
    void whilestatement() override { ifstatement(); }
    void forstatement() override {
        checkexpression(state, statement[1]);
        state.plainassigned.insert(statement[3].text);
        walkformblock(state, statement, 4, 0);
    }
    void def(const std::string& name, const piecelist& parameters) override {
        for (std::string_view parameter : parameters) state.plainassigned.emplace(parameter);
        walkformblock(state, statement, 2, 0);
        checktarget(state, {name, statement[1].offset}, "");
    }
    void classstatement() override {
        walkformblock(state, statement, 2, 1);
        checktarget(state, statement[1], "");
    }
    void enter() override {
        checkexpression(state, statement[1]);
        state.entered += 1;
        walkformblock(state, statement, 2, 0);
        state.entered -= 1;
    }
    void also() override {
        walkmodule(state, statement[1]);
        reportleftover(state, statement, 2);
    }
    void returnstatement() override {
        if (statement.size() > 1 && !statement[1].text.empty()) checkexpression(state, statement[1]);
        reportleftover(state, statement, 2);
    }

    warnstate& state;
    const tokens& statement;
};

void checkstatement(warnstate& state, tokens statement, int mode) {
    std::erase_if(statement, [](const token& t) { return t.text.empty() || t.text == " " || t.text == "\t"; });
    std::vector<std::string_view> pieces(statement.size());
    std::transform(statement.begin(), statement.end(), pieces.begin(),
                   [](const token& t) { return std::string_view(t.text); });
    statementchecks checks(state, statement);
    walkstatement(pieces, mode, checks);
}

void walkblock(warnstate& state, std::string_view text, std::size_t offset, int mode) {
    nestinglevel level(state.blockdepth, blocklimit);
    if (text.starts_with('{')) offset += 1;
    text = blockbody(text);
    for (tokens& statement : splitblock(state, text, offset)) checkstatement(state, std::move(statement), mode);
}

}  // namespace

void walkfile(warnstate& state, const warnfile& file) {
    state.file = &file;
    if (deepestnesting(file.text) > nestinglimit) throw walkstopped{};
    walkblock(state, file.text, 0, 0);
}
