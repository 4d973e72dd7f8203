#include "compiler/walk.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "compiler/compileerror.hpp"
#include "compiler/nesting.hpp"
#include "compiler/tables.hpp"

leadinggroup splitleadinggroup(std::string_view text) {
    scantext group(text);
    group.drop(1);
    std::string inside = seekstring(group, {")"}, groupingpairs, 0, false);
    group.drop(1);
    return {std::move(inside), group.rest()};
}

bool continuesgroup(std::string_view after) {
    if (after.empty()) return false;
    if (!isblankortab(after[0])) return true;
    std::size_t word = after.find_first_not_of(" \t");
    if (word == std::string_view::npos) return false;
    after.remove_prefix(word);
    return std::any_of(wordoperators.begin(), wordoperators.end(), [&](const std::string& w) {
        return after.size() > w.size() && after.starts_with(w) && isblankortab(after[w.size()]);
    });
}

std::string readoperator(scantext& expression) {
    // The operand scan stops in front of a word operator only where it stood between blanks.
    auto word = std::find_if(wordoperators.begin(), wordoperators.end(),
                             [&](const std::string& w) { return checkstrings(expression.rest(), w); });
    if (word == wordoperators.end()) return seekstring(expression, operators, groupingpairs, 1, true);
    expression.drop(word->size());
    return *word;
}

void walkchain(std::string_view text, int& depth, chainlistener& listener) {
    nestinglevel level(depth, expressionlimit);
    // The message names the compiler's step that once met it; reports keep showing it.
    if (text.empty()) fail("handleexpr: expression empty!");
    scantext expression(text);
    if (expression.startswith('(')) {
        leadinggroup group = splitleadinggroup(text);
        if (!continuesgroup(group.after)) {
            listener.droppedafter(group.after);
            expression.replace(std::move(group.inside));
        }
    }
    std::string op;
    while (true) {
        std::string current = seekstring(expression, operators, groupingpairs, 0, true);
        if (current.empty()) break;
        listener.operand(current, op);
        if (op == "not") continue;
        op = readoperator(expression);
    }
}

void walkpath(scantext& target, pathlistener& listener) {
    while (target.startswith('.') || target.startswith('[') || target.startswith('(')) {
        if (target.startswith('.')) {
            target.replace(listener.members(target.rest()));
            std::string name = seekstring(target, pathdelimiters, groupingpairs, 0, false);
            listener.attribute(name, target.empty());
        }
        if (dropprefix(target, '(')) {
            piecelist arguments = getargs(target, ",", {")"});
            dropprefix(target, ')');
            listener.call(arguments, target.empty());
        }
        if (dropprefix(target, '[')) {
            std::string index = seekstring(target, {"]"}, groupingpairs, 0, false);
            target.drop(1);
            listener.index(index, target.empty());
        }
    }
}

namespace {

bool isdigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The digits after the point when the head `head` and the text after it form a decimal literal such
// as 2.5; empty when they do not (a head of digits followed by "." and a name is a member access).
std::string_view decimalfraction(const std::string& head, const scantext& target) {
    if (!isdigits(head) || !target.startswith('.')) return {};
    std::string_view after = target.rest().substr(1);
    std::string_view fraction = after.substr(0, after.find_first_of(".[("));
    return isdigits(fraction) ? fraction : std::string_view{};
}

// Digits and "-" only (also none at all).
bool isintegertext(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || c == '-'; });
}

// `islist`: the head followed a "[" (which an escaped "[" at the head's front stands for too).
void walkhead(const std::string& head, bool islist, scantext& target, operandlistener& listener) {
    if (islist || head[0] == '[') {
        scantext elements(head);
        if (!islist) elements.drop(1);
        listener.list(getargs(elements, ",", {"]"}));
    } else if (std::string_view fraction = decimalfraction(head, target); !fraction.empty()) {
        listener.decimal(head, fraction);
        target.drop(1 + fraction.size());
    } else if (isintegertext(head)) {
        listener.integer(head);
    } else if (head[0] == '"') {
        listener.string(head);
    } else {
        listener.name(head);
    }
}

}  // namespace

lookup readlookup(scantext& target) {
    lookup from = lookup::local;
    if (dropprefix(target, 'G')) from = lookup::global;
    if (dropprefix(target, '@')) from = lookup::attribute;
    return from;
}

void walkoperand(scantext& target, operandlistener& listener) {
    if (dropprefix(target, '(')) {
        // A parenthesised expression is the head; the path after its ")" applies to its value.
        listener.group(seekstring(target, {")"}, groupingpairs, 0, false));
        dropprefix(target, ')');
    } else {
        // A list's "[" stays out of its text: a long list is not copied once more to put it back.
        bool islist = dropprefix(target, '[');
        std::string head = seekstring(target, pathdelimiters, groupingpairs, 0, false);
        if (!islist && head.empty()) fail("Missing operand before: " + std::string(target.rest()));
        walkhead(head, islist, target, listener);
    }
    walkpath(target, listener);
}

void walktarget(std::string_view text, targetlistener& listener) {
    if (text.empty()) fail("handleset: name empty!");
    scantext target(text);
    lookup from = readlookup(target);
    std::string name = seekstring(target, pathdelimiters, groupingpairs, 0, false);
    listener.name(from, name, target.empty());
    walkpath(target, listener);
}

std::string walkmembers(std::string_view path, const std::function<void(const std::string&)>& entered) {
    scantext rest(path);
    std::string component;
    while (rest.startswith('.')) {
        rest.drop(1);
        component = seekstring(rest, {"."}, groupingpairs, 0, false);
        if (!rest.startswith('.')) break;
        entered(component);
    }
    return component;
}

namespace {

const char* const classonly = "Only def allowed in class definition!";

void needs(const std::vector<std::string_view>& statement, std::size_t count) {
    if (statement.size() < count) fail("Incomplete " + std::string(statement[0]) + " statement.");
}

void walkdef(const std::vector<std::string_view>& statement, int mode, statementlistener& listener) {
    needs(statement, 2);
    scantext unpreppedname(statement[1]);
    std::string name = seekstring(unpreppedname, {"("}, groupingpairs, 0, false);
    if (unpreppedname.empty()) fail("Incomplete def statement.");
    needs(statement, 3);
    if (mode == 1) name = "@" + name;
    unpreppedname.drop(1);
    listener.def(name, getargs(unpreppedname, ",", {")"}));
}

// Each keyword statement but def: the tokens it needs at least, and what the listener hears of it.
struct keywordform {
    std::string_view keyword;
    std::size_t tokens;
    void (statementlistener::*heard)();
};
constexpr keywordform keywordforms[] = {
    {"if", 3, &statementlistener::ifstatement},     {"while", 3, &statementlistener::whilestatement},
    {"for", 5, &statementlistener::forstatement},   {"class", 3, &statementlistener::classstatement},
    {"$@", 3, &statementlistener::enter},           {"also", 2, &statementlistener::also},
    {"return", 1, &statementlistener::returnstatement},
};

void walkkeyword(const std::vector<std::string_view>& statement, int mode, statementlistener& listener) {
    if (statement[0] == "def") {
        walkdef(statement, mode, listener);
        return;
    }
    for (const keywordform& form : keywordforms) {
        if (form.keyword != statement[0]) continue;
        needs(statement, form.tokens);
        (listener.*form.heard)();
    }
}

}  // namespace

void walkstatement(const std::vector<std::string_view>& statement, int mode, statementlistener& listener) {
    if (statement.empty()) return;
    std::string_view head = statement[0];
    if (statement.size() == 3 && statement[1] == "=") {
        if (mode == 1) fail(classonly);
        listener.assignment();
    } else if (std::find(statements.begin(), statements.end(), head) != statements.end()) {
        if (mode == 1 && head != "def") fail(classonly);
        walkkeyword(statement, mode, listener);
    } else {
        if (mode == 1) fail(classonly);
        listener.expression();
    }
}

std::string_view blockbody(std::string_view block) {
    if (!block.starts_with('{')) return block;
    return block.size() < 2 ? std::string_view() : block.substr(1, block.size() - 2);
}

moduletext readmodule(const moduleresolver& modules, const std::string& filename) {
    moduletext module = modules(filename);
    std::string name = filename.substr(0, filename.size() - std::string_view(".VKEX").size());
    if (module.failure == ENOENT) fail("Module not found: " + name);
    if (module.failure != 0) fail("Cannot read module: " + filename + ": " + std::strerror(module.failure));
    return module;
}
