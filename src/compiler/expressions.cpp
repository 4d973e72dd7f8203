#include "compiler/expressions.hpp"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "bytecode/opcodes.hpp"
#include "compiler/nesting.hpp"
#include "compiler/compileerror.hpp"
#include "compiler/scanner.hpp"
#include "compiler/tables.hpp"
#include "compiler/walk.hpp"

using namespace bytecode;

namespace {

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
void compiledecimal(compilation& c, const std::string& temp, std::string_view fraction) {
    std::string literal = temp + "." + std::string(fraction);
    if (fraction.size() > 1) fail("Decimal literal has more than one digit after the point: " + literal);
    std::int64_t integerpart = digitsvalue(temp);
    if (integerpart > INT_MAX) fail("Decimal literal out of range: " + literal);
    int digit = fraction[0] - '0';
    c.out.add(PUSHCONST);
    c.out.add(FLOAT);
    c.out.addint(static_cast<int>(integerpart));
    c.out.addint(digit);
}

// An operand as it is emitted: its head pushed, each member access, call and index applying to the
// value before it, a call and an index outside the scope that the path entered. `pointer` pushes a
// pointer to the variable instead of its value.
struct operandemitter : operandlistener {
    operandemitter(compilation& c, lookup from, bool pointer) : c(c), from(from), pointer(pointer) {}

    void group(const std::string& inside) override { emitexpression(c, inside); }
    void list(const piecelist& items) override {
        for (std::string_view item : items) emitexpression(c, item);
        c.out.add(PUSHCONST);
        c.out.add(LIST);
        for (std::size_t i = 0; i < items.size(); ++i) c.out.add(STACK);
        c.out.add(LISTEND);
    }
    void decimal(const std::string& integer, std::string_view fraction) override {
        compiledecimal(c, integer, fraction);
    }
    void integer(const std::string& text) override { compileinteger(c, text); }
    void string(const std::string& literal) override {
        std::string_view inside = std::string_view(literal).substr(1);
        if (!inside.empty()) inside.remove_suffix(1);
        c.out.add(PUSHCONST);
        c.out.add(STRING);
        c.out.addstring(inside);
    }
    void name(const std::string& name) override {
        if (from == lookup::local) {
            addnamed(c, pointer ? PTRLOCAL : LOADLOCAL, name);
        } else if (from == lookup::global) {
            addnamed(c, pointer ? PTRGLOBAL : LOADGLOBAL, name);
        } else {
            addnamed(c, pointer ? PTRATTR : LOADATTR, name);
        }
    }

    std::string members(std::string_view path) override { return emitpathwalk(c, path, wentin); }
    void attribute(const std::string& name, bool) override { addnamed(c, pointer ? PTRATTR : LOADATTR, name); }
    void call(const piecelist& arguments, bool) override {
        c.out.add(RESTORESCOPE);
        emitcall(c, arguments);
        c.out.add(SAVESCOPE);
    }
    void index(const std::string& text, bool) override {
        c.out.add(ENTERTOP);
        addnamed(c, LOADATTR, "get");
        piecelist index;
        index.add(text);
        c.out.add(RESTORESCOPE);
        emitcall(c, index);
        c.out.add(SAVESCOPE);
        c.out.add(LEAVE);
    }

    compilation& c;
    lookup from;
    bool pointer;
    int wentin = 0;
};

// The first operand pushed, each one after it combined with the value so far.
struct operatorchain : chainlistener {
    explicit operatorchain(compilation& c) : c(c) {}
    void operand(const std::string& text, const std::string& op) override {
        if (op.empty()) {
            emitoperand(c, text, 0);
        } else {
            emitoperatorstep(c, text, op);
        }
    }

    compilation& c;
};

}  // namespace

void addnamed(compilation& c, byte opcode, std::string_view name) {
    c.out.add(opcode);
    c.out.add(STRING);
    c.out.addstring(name);
}

void emitoperand(compilation& c, std::string_view text, int pointer) {
    if (text.empty()) return;
    c.out.add(SAVESCOPE);
    scantext target(text);
    lookup from = readlookup(target);
    if (dropprefix(target, '&')) pointer = 1;
    bool createcopy = dropprefix(target, '%');
    operandemitter operand(c, from, pointer == 1);
    walkoperand(target, operand);
    for (int i = 0; i < operand.wentin; ++i) c.out.add(LEAVE);
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

void emitexpression(compilation& c, std::string_view text) {
    operatorchain chain(c);
    walkchain(text, c.expressiondepth, chain);
}

void emitcall(compilation& c, const piecelist& arguments) {
    c.out.add(STASH);
    for (std::string_view argument : arguments) emitexpression(c, argument);
    c.out.add(UNSTASH);
    c.out.add(CALL);
    c.out.add(INT);
    c.out.addint(static_cast<int>(arguments.size()));
}

std::string emitpathwalk(compilation& c, std::string_view path, int& wentin) {
    c.out.add(ENTERTOP);
    wentin += 1;
    return walkmembers(path, [&](const std::string& member) {
        c.out.add(ENTERATTR);
        c.out.add(STRING);
        c.out.addstring(member);
        wentin += 1;
    });
}
