#include "compiler/compiler.hpp"

#include <algorithm>
#include <vector>

#include "common/opcodes.hpp"
#include "common/sourcetext.hpp"
#include "compiler/assignment.hpp"
#include "compiler/expressions.hpp"
#include "compiler/nesting.hpp"
#include "compiler/packer.hpp"
#include "compiler/parser.hpp"
#include "compiler/rawapi.hpp"
#include "compiler/tables.hpp"

using namespace bytecode;

namespace {

// Modules importing modules (a module may import itself).
int alsodepth = 0;

// Blocks inside blocks, across modules. The nesting measure bounds the blocks of one text; this bounds
// a chain of modules that each nest deeply, so that the stack cannot run out.
constexpr int blocklimit = 20 * nestinglimit;
int blockdepth = 0;

void compileblock(std::string target, int mode);

const char* const classonly = "Only def allowed in class definition!";

using tokens = std::vector<std::string>;

void incomplete(const tokens& rest, std::size_t needed, const std::string& keyword) {
    if (rest.size() < needed) error("Incomplete " + keyword + " statement.");
}

void openbody(byte opcode) {
    addcode(opcode);
    addcode(CODE);
    asop += 1;
}

std::string moduletext(const std::string& name) {
    std::string filename = name + ".VKEX";
    auto builtin = builtinmodules.find(filename);
    if (builtin != builtinmodules.end()) return builtin->second;
    return readsource(filename);
}

void compiledef(const tokens& rest, int mode) {
    incomplete(rest, 1, "def");
    scantext unpreppedname(rest[0]);
    std::string name = seekstring(unpreppedname, {"("}, GIM, 0, false);
    if (unpreppedname.empty()) error("Incomplete def statement.");
    incomplete(rest, 2, "def");
    if (mode == 1) name = "@" + name;
    unpreppedname.drop(1);
    std::vector<std::string> args = getargs(unpreppedname, ",", {")"});

    addcode(PUSHCONST);
    addcode(CODE);
    asop += 1;
    for (std::size_t currentarg = 0; currentarg < args.size(); ++currentarg) {
        addnamed(LOADLOCAL, "arg" + std::to_string(currentarg));
        addnamed(STORELOCAL, args[currentarg]);
    }
    compileblock(rest[1], 0);
    negatebyteoperand();
    handleset(name);
}

void compilekeyword(const std::string& statement, const tokens& rest, int mode) {
    if (statement == "if") {
        incomplete(rest, 2, statement);
        handleexpr(rest[0]);
        openbody(IF);
        compileblock(rest[1], 0);
        negatebyteoperand();
    } else if (statement == "while") {
        incomplete(rest, 2, statement);
        addcode(PUSHCONST);
        addcode(INT);
        compileint(1);
        openbody(WHILE);
        handleexpr(rest[0]);
        compileblock(rest[1], 0);
        negatebyteoperand();
    } else if (statement == "for") {
        incomplete(rest, 4, statement);
        handleexpr(rest[0]);
        openbody(FOR);
        addnamed(LOADLOCAL, "ELEMENT");
        addnamed(STORELOCAL, rest[2]);
        compileblock(rest[3], 0);
        negatebyteoperand();
    } else if (statement == "def") {
        compiledef(rest, mode);
    } else if (statement == "class") {
        incomplete(rest, 2, statement);
        addcode(std::vector<byte>{PUSHCONST, CLASS, DUP, ENTERTOP});
        compileblock(rest[1], 1);
        addcode(LEAVE);
        handleset(rest[0]);
    } else if (statement == "$@") {
        incomplete(rest, 2, statement);
        handleexpr(rest[0]);
        addcode(ENTERTOP);
        compileblock(rest[1], 0);
        addcode(LEAVE);
    } else if (statement == "also") {
        incomplete(rest, 1, statement);
        std::string text = moduletext(rest[0]);
        nestinglevel level(alsodepth, nestinglimit);
        compilecode(std::move(text), 0);
    } else if (statement == "return") {
        if (!rest.empty() && !rest[0].empty()) handleexpr(rest[0]);
        addcode(RETURN);
    }
}

void compilestatement(tokens statementtokens, int mode) {
    std::erase_if(statementtokens, [](const std::string& t) { return t.empty() || t == " " || t == "\t"; });
    if (statementtokens.empty()) return;
    std::string statement = std::move(statementtokens.front());
    tokens rest(std::make_move_iterator(statementtokens.begin() + 1), std::make_move_iterator(statementtokens.end()));

    if (rest.size() == 2 && rest[0] == "=") {
        if (mode == 1) error(classonly);
        handleexpr(rest[1]);
        handleset(statement);
    } else if (inlist(statements, statement)) {
        if (mode == 1 && statement != "def") error(classonly);
        compilekeyword(statement, rest, mode);
    } else {
        if (mode == 1) error(classonly);
        handleexpr(statement);
    }
}

void compileblock(std::string target, int mode) {
    nestinglevel level(blockdepth, blocklimit);
    if (!target.empty() && target[0] == '{') target = target.size() < 2 ? "" : target.substr(1, target.size() - 2);
    for (tokens& statement : parse(target)) compilestatement(std::move(statement), mode);
}

}  // namespace

void compilecode(std::string target, int mode) {
    if (deepestnesting(target) > nestinglimit) error("Nesting too deep.");
    compileblock(std::move(target), mode);
}
