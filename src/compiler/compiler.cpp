#include "compiler/compiler.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
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
int blockdepth = 0;

using tokens = std::vector<std::string_view>;

// The tokens that decide what a statement is and does: its first, and up to four after it (a `for`
// has the most). Any further token is never read, and the tests of the number of tokens ask for two
// after the first or for at least so many as a statement needs, which five answer as all would.
constexpr std::size_t decidingtokens = 5;

// Where each token of a statement begins, in step with its tokens.
using places = std::vector<textorigin>;

void compileblock(std::string_view target, int mode, textorigin origin);

const char* const classonly = "Only def allowed in class definition!";

void incomplete(const tokens& rest, std::size_t needed, std::string_view keyword) {
    if (rest.size() < needed) error("Incomplete " + std::string(keyword) + " statement.");
}

void openbody(byte opcode) {
    addcode(opcode);
    addcode(CODE);
    asop += 1;
}

// The module's text registered under its file name; the first line of a module is line 1.
textorigin findmodule(const std::string& name) {
    std::string filename = name + ".VKEX";
    auto builtin = builtinmodules.find(filename);
    if (builtin != builtinmodules.end()) return {addcompiledfile(filename, builtin->second), 1};
    sourceread module = readsource(filename);
    if (module.failure == ENOENT) error("Module not found: " + name);
    if (module.failure != 0) error("Cannot read module: " + filename + ": " + std::strerror(module.failure));
    return {addcompiledfile(filename, std::move(module.text)), 1};
}

void compilemodule(const std::string& name) {
    textorigin origin = findmodule(name);
    nestinglevel level(alsodepth, nestinglimit);
    std::string_view text = compiledfiles[origin.file].text;
    if (deepestnesting(text) > nestinglimit) error("Nesting too deep.");
    compileblock(text, 0, origin);
}

void compiledef(const tokens& rest, const places& where, int mode) {
    incomplete(rest, 1, "def");
    scantext unpreppedname(rest[0]);
    std::string name = seekstring(unpreppedname, {"("}, GIM, 0, false);
    if (unpreppedname.empty()) error("Incomplete def statement.");
    incomplete(rest, 2, "def");
    if (mode == 1) name = "@" + name;
    unpreppedname.drop(1);
    piecelist args = getargs(unpreppedname, ",", {")"});

    addcode(PUSHCONST);
    addcode(CODE);
    asop += 1;
    for (std::size_t currentarg = 0; currentarg < args.size(); ++currentarg) {
        addnamed(LOADLOCAL, "arg" + std::to_string(currentarg));
        addnamed(STORELOCAL, args[currentarg]);
    }
    compileblock(rest[1], 0, where[1]);
    negatebyteoperand();
    handleset(name);
}

void compilekeyword(std::string_view statement, const tokens& rest, const places& where, int mode) {
    if (statement == "if") {
        incomplete(rest, 2, statement);
        handleexpr(rest[0]);
        openbody(IF);
        compileblock(rest[1], 0, where[1]);
        negatebyteoperand();
    } else if (statement == "while") {
        incomplete(rest, 2, statement);
        addcode(PUSHCONST);
        addcode(INT);
        compileint(1);
        openbody(WHILE);
        handleexpr(rest[0]);
        compileblock(rest[1], 0, where[1]);
        negatebyteoperand();
    } else if (statement == "for") {
        incomplete(rest, 4, statement);
        handleexpr(rest[0]);
        openbody(FOR);
        addnamed(LOADLOCAL, "ELEMENT");
        addnamed(STORELOCAL, rest[2]);
        compileblock(rest[3], 0, where[3]);
        negatebyteoperand();
    } else if (statement == "def") {
        compiledef(rest, where, mode);
    } else if (statement == "class") {
        incomplete(rest, 2, statement);
        addcode(std::vector<byte>{PUSHCONST, CLASS, DUP, ENTERTOP});
        compileblock(rest[1], 1, where[1]);
        addcode(LEAVE);
        handleset(rest[0]);
    } else if (statement == "$@") {
        incomplete(rest, 2, statement);
        handleexpr(rest[0]);
        addcode(ENTERTOP);
        compileblock(rest[1], 0, where[1]);
        addcode(LEAVE);
    } else if (statement == "also") {
        incomplete(rest, 1, statement);
        compilemodule(std::string(rest[0]));
    } else if (statement == "return") {
        if (!rest.empty() && !rest[0].empty()) handleexpr(rest[0]);
        addcode(RETURN);
    }
}

void compilestatement(const tokens& statementtokens, places& where, int mode) {
    if (statementtokens.empty()) return;
    beginstatement(where.front());
    std::string_view statement = statementtokens.front();
    tokens rest(statementtokens.begin() + 1, statementtokens.end());
    where.erase(where.begin());

    if (rest.size() == 2 && rest[0] == "=") {
        if (mode == 1) error(classonly);
        handleexpr(rest[1]);
        handleset(statement);
    } else if (inlist(statements, statement)) {
        if (mode == 1 && statement != "def") error(classonly);
        compilekeyword(statement, rest, where, mode);
    } else {
        if (mode == 1) error(classonly);
        handleexpr(statement);
    }
}

// A body and its statements are pieces of the text they stand in, read in place: nothing of a block is
// copied, and only one of its statements is cut up at a time.
void compileblock(std::string_view target, int mode, textorigin origin) {
    nestinglevel level(blockdepth, blocklimit);
    keepposition afterwards;
    // A body loses its braces; the "{" stands on the body's first line, so the lines stay.
    if (!target.empty() && target[0] == '{') target = target.size() < 2 ? "" : target.substr(1, target.size() - 2);
    checksplit(target, origin);
    statementsplitter statements(target, origin, true);
    linecounter lines(target, origin);
    // A statement's tokens and where they begin, without the empty, blank and tab segments. Its
    // first few tokens decide everything about it, so a line of a million blanks keeps only those.
    tokens kept;
    places where;
    segmentsink keep = [&](std::string_view segment, std::size_t start) {
        if (segment.empty() || segment == " " || segment == "\t" || kept.size() == decidingtokens) return;
        kept.push_back(segment);
        where.push_back(lines.at(start));
    };
    while (statements.next(keep)) {
        compilestatement(kept, where, mode);
        kept.clear();
        where.clear();
    }
}

void compiletext(std::string_view target, int mode, textorigin origin) {
    if (deepestnesting(target) > nestinglimit) error("Nesting too deep.");
    compileblock(target, mode, origin);
}

}  // namespace

void compilecode(std::string target, int mode) { compiletext(target, mode, {}); }

sourcemap compilesource(const std::string& name, std::string text) {
    try {
        resetpacker();
        resetpositions();
        textorigin origin{addcompiledfile(name, std::move(text)), 1};
        compiletext(compiledfiles[origin.file].text, 0, origin);
        std::vector<sourcefile> files(std::make_move_iterator(compiledfiles.begin()),
                                      std::make_move_iterator(compiledfiles.end()));
        return sourcemap(std::move(files), std::move(coderuns), code.size());
    } catch (const std::bad_alloc&) {
        // What the failed step held is freed by now; the report needs little.
        error("Out of memory.");
    }
}
