#include "compiler/statements.hpp"

#include <vector>

#include "bytecode/opcodes.hpp"
#include "compiler/assignment.hpp"
#include "compiler/compileerror.hpp"
#include "compiler/expressions.hpp"
#include "compiler/nesting.hpp"
#include "compiler/splitter.hpp"
#include "compiler/scanner.hpp"
#include "compiler/tables.hpp"
#include "compiler/walk.hpp"

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

void openbody(compilation& c, byte opcode) {
    c.out.add(opcode);
    c.out.add(CODE);
    c.out.openbody();
}

// The module's text registered under its file name; the first line of a module is line 1.
textorigin findmodule(compilation& c, const std::string& name) {
    std::string filename = name + ".VKEX";
    moduletext module = readmodule(c.modules, filename);
    return {c.addfile(filename, std::move(module.text)), 1};
}

void compilemodule(compilation& c, const std::string& name) {
    textorigin origin = findmodule(c, name);
    nestinglevel level(c.moduledepth, nestinglimit);
    std::string_view text = c.files[origin.file].text;
    if (deepestnesting(text) > nestinglimit) fail("Nesting too deep.");
    compileblock(c, text, 0, origin);
}

// A statement as it is emitted; its blocks are compiled in place.
struct statementemitter : statementlistener {
    statementemitter(compilation& c, const tokens& statement, const places& where)
        : c(c), statement(statement), where(where) {}

    void assignment() override {
        emitexpression(c, statement[2]);
        emitstore(c, statement[0]);
    }
    void expression() override {
        if (c.blockdepth == 1) ++c.toplevelexpressions;
        emitexpression(c, statement[0]);
    }
    void ifstatement() override {
        emitexpression(c, statement[1]);
        openbody(c, IF);
        block(2, 0);
        c.out.closebody();
    }
    void whilestatement() override {
        c.out.add(PUSHCONST);
        c.out.add(INT);
        c.out.addint(1);
        openbody(c, WHILE);
        emitexpression(c, statement[1]);
        block(2, 0);
        c.out.closebody();
    }
    void forstatement() override {
        emitexpression(c, statement[1]);
        openbody(c, FOR);
        addnamed(c, LOADLOCAL, "ELEMENT");
        addnamed(c, STORELOCAL, statement[3]);
        block(4, 0);
        c.out.closebody();
    }
    void def(const std::string& name, const piecelist& parameters) override {
        c.out.add(PUSHCONST);
        c.out.add(CODE);
        c.out.openbody();
        for (std::size_t i = 0; i < parameters.size(); ++i) {
            addnamed(c, LOADLOCAL, "arg" + std::to_string(i));
            addnamed(c, STORELOCAL, parameters[i]);
        }
        block(2, 0);
        c.out.closebody();
        emitstore(c, name);
    }
    void classstatement() override {
        c.out.add(std::vector<byte>{PUSHCONST, CLASS, DUP, ENTERTOP});
        block(2, 1);
        c.out.add(LEAVE);
        emitstore(c, statement[1]);
    }
    void enter() override {
        emitexpression(c, statement[1]);
        c.out.add(ENTERTOP);
        block(2, 0);
        c.out.add(LEAVE);
    }
    void also() override { compilemodule(c, std::string(statement[1])); }
    void returnstatement() override {
        if (statement.size() > 1 && !statement[1].empty()) emitexpression(c, statement[1]);
        c.out.add(RETURN);
    }

    void block(std::size_t at, int mode) { compileblock(c, statement[at], mode, where[at]); }

    compilation& c;
    const tokens& statement;
    const places& where;
};

void compilestatement(compilation& c, const tokens& statement, const places& where, int mode) {
    if (statement.empty()) return;
    if (c.blockdepth == 1) ++c.toplevelstatements;
    beginstatement(c.out, where.front());
    c.statementtext = statement.front().data();
    statementemitter emitter(c, statement, where);
    walkstatement(statement, mode, emitter);
}

// A body and its statements are pieces of the text they stand in, read in place: nothing of a block is
// copied, and only one of its statements is cut up at a time.
void compileblock(compilation& c, std::string_view target, int mode, textorigin origin) {
    nestinglevel level(c.blockdepth, blocklimit);
    keepposition afterwards(c);
    target = blockbody(target);
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
