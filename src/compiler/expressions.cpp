#include "compiler/expressions.hpp"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "common/opcodes.hpp"
#include "compiler/nesting.hpp"
#include "compiler/compileerror.hpp"
#include "compiler/scanner.hpp"
#include "compiler/tables.hpp"

using namespace bytecode;

namespace {

bool isdigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The value of a run of digits, capped just above the 32-bit range so that it cannot overflow.
std::int64_t digitsvalue(std::string_view digits) {
    constexpr std::int64_t cap = std::int64_t{INT_MAX} + 2;
    std::int64_t value = 0;
    for (char c : digits) value = std::min(value * 10 + (c - '0'), cap);
    return value;
}

// The head passed the integer test: digits with "-" among them. Read as a base-10 integer it is an
// optional minus and the digits after it; anything after those is ignored.
void compileinteger(compilation& c, const std::string& temp) {
    std::size_t start = temp[0] == '-' ? 1 : 0;
    std::string_view digits = std::string_view(temp).substr(start);
    digits = digits.substr(0, digits.find('-'));
    if (digits.empty()) fail("Malformed integer literal: " + temp);
    std::int64_t value = start == 1 ? -digitsvalue(digits) : digitsvalue(digits);
    if (value > INT_MAX || value < INT_MIN) fail("Integer literal out of range: " + temp);
    c.out.add(PUSHCONST);
    c.out.add(INT);
    c.out.addint(static_cast<int>(value));
}

// The FLOAT operand holds the integer part and one digit after the point; both are taken from the
// digits themselves, since a float cannot hold every 32-bit integer part.
void compiledecimal(compilation& c, const std::string& temp, std::string_view fraction, scantext& target) {
    std::string literal = temp + "." + std::string(fraction);
    if (fraction.size() > 1) fail("Decimal literal has more than one digit after the point: " + literal);
    std::int64_t integerpart = digitsvalue(temp);
    if (integerpart > INT_MAX) fail("Decimal literal out of range: " + literal);
    int digit = fraction[0] - '0';
    target.drop(1 + fraction.size());
    c.out.add(PUSHCONST);
    c.out.add(FLOAT);
    c.out.addint(static_cast<int>(integerpart));
    c.out.addint(digit);
}

// `elements`: the text after the list's "[".
void compilelist(compilation& c, std::string_view elements) {
    scantext rest(elements);
    piecelist items = getargs(rest, ",", {"]"});
    for (std::string_view item : items) emitexpression(c, item);
    c.out.add(PUSHCONST);
    c.out.add(LIST);
    for (std::size_t i = 0; i < items.size(); ++i) c.out.add(STACK);
    c.out.add(LISTEND);
}

void compilehead(compilation& c, std::string temp, scantext& target, int getof, int pointer) {
    if (temp[0] == '[') {
        compilelist(c, std::string_view(temp).substr(1));
    } else if (std::string_view fraction = decimalfraction(temp, target); !fraction.empty()) {
        compiledecimal(c, temp, fraction, target);
    } else if (isnumeric(temp, false)) {
        compileinteger(c, temp);
    } else if (temp[0] == '"') {
        temp.erase(0, 1);
        if (!temp.empty()) temp.pop_back();
        c.out.add(PUSHCONST);
        c.out.add(STRING);
        c.out.addstring(temp);
    } else if (getof == 0) {
        addnamed(c, pointer == 1 ? PTRLOCAL : LOADLOCAL, temp);
    } else if (getof == 1) {
        addnamed(c, pointer == 1 ? PTRGLOBAL : LOADGLOBAL, temp);
    } else {
        addnamed(c, pointer == 1 ? PTRATTR : LOADATTR, temp);
    }
}

}  // namespace

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

std::string_view decimalfraction(const std::string& temp, const scantext& target) {
    if (!isdigits(temp) || !target.startswith('.')) return {};
    std::string_view after = target.rest().substr(1);
    std::string_view fraction = after.substr(0, after.find_first_of(".[("));
    return isdigits(fraction) ? fraction : std::string_view{};
}

void addnamed(compilation& c, byte opcode, std::string_view name) {
    c.out.add(opcode);
    c.out.add(STRING);
    c.out.addstring(name);
}

bool inlist(const std::vector<std::string>& x, std::string_view element) {
    return std::find(x.begin(), x.end(), element) != x.end();
}

bool isnumeric(const std::string& target, bool allowfloat) {
    return std::all_of(target.begin(), target.end(),
                       [&](char c) { return (c >= '0' && c <= '9') || c == '-' || (allowfloat && c == '.'); });
}

void emitoperand(compilation& c, std::string_view text, int pointer) {
    if (text.empty()) return;
    c.out.add(SAVESCOPE);
    scantext target(text);
    int getof = 0;
    if (dropprefix(target, 'G')) getof = 1;
    if (dropprefix(target, '@')) getof = 2;
    if (dropprefix(target, '&')) pointer = 1;
    bool createcopy = dropprefix(target, '%');

    if (dropprefix(target, '(')) {
        // A parenthesised expression is the head; the path after its ")" applies to its value.
        emitexpression(c, seekstring(target, {")"}, groupingpairs, 0, false));
        dropprefix(target, ')');
    } else {
        // A list's "[" stays out of its text: a long list is not copied once more to put it back.
        bool islist = dropprefix(target, '[');
        std::string temp = seekstring(target, pathdelimiters, groupingpairs, 0, false);
        if (islist) {
            compilelist(c, temp);
        } else {
            if (temp.empty()) fail("Missing operand before: " + std::string(target.rest()));
            compilehead(c, std::move(temp), target, getof, pointer);
        }
    }

    int wentin = 0;
    while (!target.empty() && inlist(pathdelimiters, std::string(1, target.front()))) {
        if (target.startswith('.')) {
            target.replace(emitpathwalk(c, target.rest(), wentin, {}));
            addnamed(c, pointer == 1 ? PTRATTR : LOADATTR, seekstring(target, pathdelimiters, groupingpairs, 0, false));
        }
        if (dropprefix(target, '(')) {
            piecelist args = getargs(target, ",", {")"});
            dropprefix(target, ')');
            c.out.add(RESTORESCOPE);
            emitcall(c, args);
            c.out.add(SAVESCOPE);
        }
        if (dropprefix(target, '[')) {
            c.out.add(ENTERTOP);
            addnamed(c, LOADATTR, "get");
            piecelist index;
            index.add(seekstring(target, {"]"}, groupingpairs, 0, false));
            c.out.add(RESTORESCOPE);
            emitcall(c, index);
            target.drop(1);
            c.out.add(SAVESCOPE);
            c.out.add(LEAVE);
        }
    }
    for (int i = 0; i < wentin; ++i) c.out.add(LEAVE);
    if (createcopy) c.out.add(PUSHCOPY);
}

void emitoperatorstep(compilation& c, std::string_view target, const std::string& op) {
    if (op != "not") {
        c.out.add(STASH);
        emitoperand(c, target, 0);
        c.out.add(UNSTASH);
    }
    static const std::vector<std::pair<std::string, std::vector<byte>>> instructions = {
        {"+", {ADD}},          {"-", {SUB}},          {"*", {MUL}},     {"/", {DIV}},
        {"==", {EQUAL}},       {"!=", {EQUAL, NOT}},  {">", {GREATER}}, {"<", {LESS}},
        {">=", {GREATEREQ}},   {"<=", {LESSEQ}},      {"not", {NOT}},   {"and", {AND}},
        {"or", {OR}},          {"xor", {XOR}},
    };
    for (const auto& [text, bytes] : instructions) {
        if (text == op) c.out.add(bytes);
    }
}

std::string readoperator(scantext& expression) {
    // The operand scan stops in front of a word operator only where it stood between blanks.
    auto word = std::find_if(wordoperators.begin(), wordoperators.end(),
                             [&](const std::string& w) { return checkstrings(expression.rest(), w); });
    if (word == wordoperators.end()) return seekstring(expression, operators, groupingpairs, 1, true);
    expression.drop(word->size());
    return *word;
}

void emitexpression(compilation& c, std::string_view text) {
    nestinglevel level(c.expressiondepth, expressionlimit);
    if (text.empty()) fail("handleexpr: expression empty!");
    scantext expression(text);
    if (expression.startswith('(')) {
        leadinggroup group = splitleadinggroup(text);
        if (!continuesgroup(group.after)) expression.replace(std::move(group.inside));
    }

    std::string op;
    while (true) {
        std::string current = seekstring(expression, operators, groupingpairs, 0, true);
        if (current.empty()) break;
        if (op.empty()) {
            emitoperand(c, current, 0);
        } else {
            emitoperatorstep(c, current, op);
        }
        if (op == "not") continue;
        op = readoperator(expression);
    }
}

void emitcall(compilation& c, const piecelist& arguments) {
    c.out.add(STASH);
    for (std::string_view argument : arguments) emitexpression(c, argument);
    c.out.add(UNSTASH);
    c.out.add(CALL);
    c.out.add(INT);
    c.out.addint(static_cast<int>(arguments.size()));
}

std::string emitpathwalk(compilation& c, std::string_view target, int& wentin, std::vector<std::string> enders) {
    c.out.add(ENTERTOP);
    wentin += 1;
    std::string dotted;
    if (!checkstrings(target, ".")) {
        dotted = "." + std::string(target);
        target = dotted;
    }
    enders.push_back(".");
    scantext path(target);
    std::string component;
    while (path.startswith('.')) {
        path.drop(1);
        component = seekstring(path, enders, groupingpairs, 0, false);
        if (!path.startswith('.')) break;
        c.out.add(ENTERATTR);
        c.out.add(STRING);
        c.out.addstring(component);
        wentin += 1;
    }
    return component;
}
