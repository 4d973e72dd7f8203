#include "compiler/statements.hpp"

#include <cerrno>
#include <cstring>
#include <vector>

#include "common/opcodes.hpp"
#include "compiler/assignment.hpp"
#include "compiler/compileerror.hpp"
#include "compiler/expressions.hpp"
#include "compiler/nesting.hpp"
#include "compiler/splitter.hpp"
#include "compiler/scanner.hpp"
#include "compiler/tables.hpp"

using namespace bytecode;

namespace {

using tokens = std::vector<std::string_view>;

// The tokens that decide what a statement is and does: its first, and up to four after it (a `for`
// has the most). Any further token is never read, and the tests of the number of tokens ask for two
// after the first or for at least so many as a statement needs, which five answer as all would.
constexpr std::size_t decidingtokens = 5;

// Where each token of a statement begins, in step with its tokens.
using places = std::vector<textorigin>;

void compileblock(compilation& c, std::string_view target, int mode, textorigin origin);

const char* const classonly = "Only def allowed in class definition!";

void incomplete(const tokens& rest, std::size_t needed, std::string_view keyword) {
    if (rest.size() < needed) fail("Incomplete " + std::string(keyword) + " statement.");
}

void openbody(compilation& c, byte opcode) {
    c.out.add(opcode);
    c.out.add(CODE);
    c.out.openbody();
}

// The module's text registered under its file name; the first line of a module is line 1.
textorigin findmodule(compilation& c, const std::string& name) {
    std::string filename = name + ".VKEX";
    moduletext module = c.modules(filename);
    if (module.failure == ENOENT) fail("Module not found: " + name);
    if (module.failure != 0) fail("Cannot read module: " + filename + ": " + std::strerror(module.failure));
    return {c.addfile(filename, std::move(module.text)), 1};
}

void compilemodule(compilation& c, const std::string& name) {
    textorigin origin = findmodule(c, name);
    nestinglevel level(c.moduledepth, nestinglimit);
    std::string_view text = c.files[origin.file].text;
    if (deepestnesting(text) > nestinglimit) fail("Nesting too deep.");
    compileblock(c, text, 0, origin);
}

void compiledef(compilation& c, const tokens& rest, const places& where, int mode) {
    incomplete(rest, 1, "def");
    scantext unpreppedname(rest[0]);
    std::string name = seekstring(unpreppedname, {"("}, groupingpairs, 0, false);
    if (unpreppedname.empty()) fail("Incomplete def statement.");
    incomplete(rest, 2, "def");
    if (mode == 1) name = "@" + name;
    unpreppedname.drop(1);
    piecelist args = getargs(unpreppedname, ",", {")"});

    c.out.add(PUSHCONST);
    c.out.add(CODE);
    c.out.openbody();
    for (std::size_t currentarg = 0; currentarg < args.size(); ++currentarg) {
        addnamed(c, LOADLOCAL, "arg" + std::to_string(currentarg));
        addnamed(c, STORELOCAL, args[currentarg]);
    }
    compileblock(c, rest[1], 0, where[1]);
    c.out.closebody();
    emitstore(c, name);
}

void compilekeyword(compilation& c, std::string_view statement, const tokens& rest, const places& where, int mode) {
    if (statement == "if") {
        incomplete(rest, 2, statement);
        emitexpression(c, rest[0]);
        openbody(c, IF);
        compileblock(c, rest[1], 0, where[1]);
        c.out.closebody();
    } else if (statement == "while") {
        incomplete(rest, 2, statement);
        c.out.add(PUSHCONST);
        c.out.add(INT);
        c.out.addint(1);
        openbody(c, WHILE);
        emitexpression(c, rest[0]);
        compileblock(c, rest[1], 0, where[1]);
        c.out.closebody();
    } else if (statement == "for") {
        incomplete(rest, 4, statement);
        emitexpression(c, rest[0]);
        openbody(c, FOR);
        addnamed(c, LOADLOCAL, "ELEMENT");
        addnamed(c, STORELOCAL, rest[2]);
        compileblock(c, rest[3], 0, where[3]);
        c.out.closebody();
    } else if (statement == "def") {
        compiledef(c, rest, where, mode);
    } else if (statement == "class") {
        incomplete(rest, 2, statement);
        c.out.add(std::vector<byte>{PUSHCONST, CLASS, DUP, ENTERTOP});
        compileblock(c, rest[1], 1, where[1]);
        c.out.add(LEAVE);
        emitstore(c, rest[0]);
    } else if (statement == "$@") {
        incomplete(rest, 2, statement);
        emitexpression(c, rest[0]);
        c.out.add(ENTERTOP);
        compileblock(c, rest[1], 0, where[1]);
        c.out.add(LEAVE);
    } else if (statement == "also") {
        incomplete(rest, 1, statement);
        compilemodule(c, std::string(rest[0]));
    } else if (statement == "return") {
        if (!rest.empty() && !rest[0].empty()) emitexpression(c, rest[0]);
        c.out.add(RETURN);
    }
}

void compilestatement(compilation& c, const tokens& statementtokens, places& where, int mode) {
    if (statementtokens.empty()) return;
    beginstatement(c.out, where.front());
    c.statementtext = statementtokens.front().data();
    std::string_view statement = statementtokens.front();
    tokens rest(statementtokens.begin() + 1, statementtokens.end());
    where.erase(where.begin());

    if (rest.size() == 2 && rest[0] == "=") {
        if (mode == 1) fail(classonly);
        emitexpression(c, rest[1]);
        emitstore(c, statement);
    } else if (inlist(statements, statement)) {
        if (mode == 1 && statement != "def") fail(classonly);
        compilekeyword(c, statement, rest, where, mode);
    } else {
        if (mode == 1) fail(classonly);
        emitexpression(c, statement);
    }
}

// A body and its statements are pieces of the text they stand in, read in place: nothing of a block is
// copied, and only one of its statements is cut up at a time.
void compileblock(compilation& c, std::string_view target, int mode, textorigin origin) {
    nestinglevel level(c.blockdepth, blocklimit);
    keepposition afterwards(c);
    // A body loses its braces; the "{" stands on the body's first line, so the lines stay.
    if (!target.empty() && target[0] == '{') target = target.size() < 2 ? "" : target.substr(1, target.size() - 2);
    std::string_view filetext = c.filetext(origin);
    checksplit(target, origin, c.complaints, filetext);
    statementsplitter statements(target, origin, nullptr, filetext);
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
        compilestatement(c, kept, where, mode);
        kept.clear();
        where.clear();
    }
}

}  // namespace

void compileprogram(compilation& c, textorigin origin) {
    std::string_view text = c.files[origin.file].text;
    if (deepestnesting(text) > nestinglimit) fail("Nesting too deep.");
    compileblock(c, text, 0, origin);
}
