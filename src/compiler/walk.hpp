#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/piecelist.hpp"
#include "compiler/request.hpp"
#include "compiler/scanner.hpp"

// The one reading of statements, expressions, operands and assignment targets: the emitter
// (statements.cpp, expressions.cpp, assignment.cpp) and the warnings (warnwalk.cpp,
// warnexpressions.cpp) are listeners of these walks, so that both cut a text into the same pieces and
// stop at the same compile errors. How blocks are split into statements stays each side's own: the
// emitter reads a statement at a time and keeps its first five tokens, the warnings split a whole
// block at once to compare it with how it would split without the brackets inside its strings.

// An expression text that begins with "(" cut after its first group: the text inside the group, as
// the scanner reads it (escapes translated), and the text after the group's ")" as written.
struct leadinggroup {
    std::string inside;
    std::string_view after;  // a piece of the text given
};
leadinggroup splitleadinggroup(std::string_view text);

// True when `after`, the text after an expression's leading group, goes on from the group: it starts
// right at the ")" ("(a)+b", "(l).size()"), or it is a word operator with blanks or tabs around it
// ("(a) or (b)"). The whole text is then an operator chain whose first operand is the group;
// otherwise the group is the whole expression and `after` is dropped.
bool continuesgroup(std::string_view after);

// The operator at the front of what is left of an expression after an operand, consumed.
std::string readoperator(scantext& expression);

// Hears an expression's pieces in text order.
class chainlistener {
public:
    virtual ~chainlistener() = default;
    // The expression is a leading group that the rest does not go on from: `after`, the text after
    // the group's ")", is dropped and the group's inside is the expression.
    virtual void droppedafter(std::string_view after) { (void)after; }
    // One operand of the operator chain with the operator before it, empty for the first. No operator
    // is read after a "not": every later operand comes with "not" too.
    virtual void operand(const std::string& text, const std::string& op) = 0;
};

// Reads the expression `text`, one level deeper in `depth` (the expressions inside expressions of the
// reader). An empty text is a compile error.
void walkchain(std::string_view text, int& depth, chainlistener& listener);

// Hears the path after an operand's head or a target's name: member accesses, calls and indexes. Each
// piece is `last` when nothing of the path follows it.
class pathlistener {
public:
    virtual ~pathlistener() = default;
    // A member access: `path` is the text from its "."; returns the last member's name with whatever
    // follows it, having entered every member before it (see walkmembers).
    virtual std::string members(std::string_view path) = 0;
    // The last member's name, read off what members() returned.
    virtual void attribute(const std::string& name, bool last) = 0;
    virtual void call(const piecelist& arguments, bool last) = 0;
    virtual void index(const std::string& index, bool last) = 0;
};

// Reads the path at the front of `target` while one starts there.
void walkpath(scantext& target, pathlistener& listener);

// Where a name is looked up, by its prefix: G a global, @ an attribute of the object entered.
enum class lookup { local, global, attribute };

// Reads the prefixes G and @ of an operand or a target, in that order (with both, @ decides).
lookup readlookup(scantext& target);

// Hears an operand's head, then its path.
class operandlistener : public pathlistener {
public:
    // A parenthesised expression: the text inside.
    virtual void group(const std::string& inside) = 0;
    virtual void list(const piecelist& items) = 0;
    // Digits, a point and the digits after it.
    virtual void decimal(const std::string& integer, std::string_view fraction) = 0;
    // Digits and "-" only.
    virtual void integer(const std::string& text) = 0;
    // A text from a double quote, quotes included.
    virtual void string(const std::string& literal) = 0;
    virtual void name(const std::string& name) = 0;
};

// Hears an assignment target: its name, then its path.
class targetlistener : public pathlistener {
public:
    // The name stored into when it is `last`, else the one read to reach what is stored.
    virtual void name(lookup from, const std::string& name, bool last) = 0;
};

// Reads the target `text`. An empty one is a compile error.
void walktarget(std::string_view text, targetlistener& listener);

// Reads the operand at the front of `target`, its prefixes already read: its head, which must not be
// empty, and its path.
void walkoperand(scantext& target, operandlistener& listener);

// A dotted path ".a.b.c(x)": hands every member but the last to `entered` ("a", "b") and returns the
// last with whatever follows it ("c(x)").
std::string walkmembers(std::string_view path, const std::function<void(const std::string&)>& entered);

// The file `also NAME` imports ("NAME.VKEX") as `modules` finds it; one that cannot be read is a
// compile error.
moduletext readmodule(const moduleresolver& modules, const std::string& filename);

// A block's statements: the text inside its braces, or the text itself when it has none (a program, a
// module, or a statement's token that is no block). The "{" stands on the body's first line, so the
// lines stay.
std::string_view blockbody(std::string_view block);

// Hears what a statement is, once its tokens (without the empty, blank and tab segments) have been
// found to have the form it needs. Token numbers count from the statement's first.
class statementlistener {
public:
    virtual ~statementlistener() = default;
    virtual void assignment() = 0;       // 0 = 2
    virtual void expression() = 0;       // 0, and whatever follows it is not read
    virtual void ifstatement() = 0;      // if 1 2
    virtual void whilestatement() = 0;   // while 1 2
    virtual void forstatement() = 0;     // for 1 as 3 4
    // def 1 2: `name` is what token 1 names (an attribute in a class body), `parameters` its list.
    virtual void def(const std::string& name, const piecelist& parameters) = 0;
    virtual void classstatement() = 0;   // class 1 2
    virtual void enter() = 0;            // $@ 1 2
    virtual void also() = 0;             // also 1
    virtual void returnstatement() = 0;  // return, or return 1
};

// Which statement `statement` is, in a block of `mode` (0: code, 1: a class body, where only def is
// allowed). A statement that lacks tokens, or that a class body does not allow, is a compile error.
void walkstatement(const std::vector<std::string_view>& statement, int mode, statementlistener& listener);
