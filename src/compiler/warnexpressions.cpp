#include "compiler/warnexpressions.hpp"

#include <algorithm>

#include "compiler/compileerror.hpp"
#include "compiler/nesting.hpp"
#include "compiler/scanner.hpp"
#include "compiler/tables.hpp"
#include "compiler/walk.hpp"
#include "compiler/warntext.hpp"

namespace {

// Blanks, tabs and line ends: in a name, each is part of it.
bool hasblank(std::string_view text) { return text.find_first_of(" \t\n") != std::string_view::npos; }

bool onlyblanks(std::string_view text) { return std::all_of(text.begin(), text.end(), isblankortab); }

void walkexpr(warnstate& state, const std::string& text, const place& where);

void noteblanked(warnstate& state, std::string_view what, std::string_view compiled, std::size_t offset) {
    state.blanked.push_back(std::string(what) + " '" + visible(compiled) + "'");
    if (state.blanked.size() == 1) state.blankat = offset;
}

// A name that the compiler takes with the blanks standing next to it.
void noteblank(warnstate& state, std::string_view what, std::string_view name, const place& where) {
    if (hasblank(name)) noteblanked(state, what, name, pieceoffset(where, name));
}

void reportdroppedgroup(warnstate& state, const std::string& text, std::string_view after, const place& where) {
    std::string group = text.substr(0, text.size() - after.size());
    std::string message = quoted(text) + " compiles only " + quoted(group) + ": the text after the group, " +
                          quoted(after) + ", is dropped";
    std::string rewrite = group + tidied(after);
    if (continuesgroup(tidied(after)) && compilescleanly(state, rewrite)) message += "; write " + quoted(rewrite);
    state.report(pieceoffset(where, after), std::move(message));
}

// The components of a member path before the last one are entered as attributes by their whole text.
// Returns the last component with whatever follows it.
std::string entermembers(warnstate& state, const std::string& operand, std::string_view path, const place& where,
                         int& entered) {
    return walkmembers(path, [&](const std::string& component) {
        entered += 1;
        noteblank(state, "an attribute named", component, where);
        if (component.find_first_of("([") == std::string::npos) return;
        std::string message = quoted(operand) + " fails when it runs: inside a member path " + quoted(component) +
                              " is looked up as one attribute name, call and all";
        std::size_t end = operand.find("." + component + ".");
        if (end != std::string::npos) {
            message += "; store " + quoted(operand.substr(0, end + 1 + component.size())) +
                       " in a variable and go on from there";
        }
        state.report(pieceoffset(where, component), std::move(message));
    });
}

bool isnumbertext(std::string_view text) {
    return text.find_first_of("0123456789") != std::string_view::npos &&
           text.find_first_not_of("0123456789.+-*/()") == std::string_view::npos;
}

void checkprint(warnstate& state, const piecelist& args, const place& where) {
    if (args.size() != 1 || !isnumbertext(args[0])) return;
    std::string arg(args[0]);
    std::string call = "print(" + arg + ")";
    state.report(pieceoffset(where, call), quoted(call) +
                                               " stops the run with \"Not a number:\": print takes a string; write " +
                                               quoted("print(str(" + arg + "))"));
}

// setattr with a literal name stores that name, on the program root too when it is the object.
void notesetattr(warnstate& state, const piecelist& args) {
    if (args.size() < 2 || args[1].size() < 2 || args[1].front() != '"' || args[1].back() != '"') return;
    state.plainassigned.insert(std::string(args[1].substr(1, args[1].size() - 2)));
}

// A string that holds a quote, an operator or comma and another quote: two literals that the compiler
// read as one, because a bracket inside the first kept it from seeing the operator between them.
bool gluedstrings(std::string_view compiled) {
    for (std::size_t quote = compiled.find('"'); quote != std::string_view::npos;
         quote = compiled.find('"', quote + 1)) {
        std::size_t i = compiled.find_first_not_of(" \t", quote + 1);
        std::size_t end = compiled.find_first_not_of("+-*/=!<>,", i);
        if (i == std::string_view::npos || end == i || end == std::string_view::npos) continue;
        end = compiled.find_first_not_of(" \t", end);
        if (end != std::string_view::npos && compiled[end] == '"') return true;
    }
    return false;
}

// What to say about a name read but assigned nowhere, when it most likely means something else.
std::string readhint(const std::string& name) {
    std::string missing = missingstatement(name);
    if (!missing.empty()) return missing;
    std::size_t equals = name.find('=');
    if (equals != std::string::npos && equals > 0 && equals + 1 < name.size() && name[equals + 1] != '=' &&
        std::string_view("!<>").find(name[equals - 1]) == std::string_view::npos) {
        return quoted(name) + " is one token; to assign, write " +
               quoted(name.substr(0, equals) + " = " + name.substr(equals + 1));
    }
    return "";
}

// What an operand does: blanks that end up in its names and strings, strings glued together, the
// names it reads, print given a number, the names setattr stores; its group, list items, arguments and
// indexes are expressions of their own.
struct operandchecks : operandlistener {
    operandchecks(warnstate& state, const std::string& text, const place& where, lookup from)
        : state(state), text(text), where(where), from(from), direct(from == lookup::local) {}

    void group(const std::string& inside) override { walkexpr(state, inside, where); }
    void list(const piecelist& items) override {
        for (std::string_view item : items) walkexpr(state, std::string(item), where);
    }
    void decimal(const std::string&, std::string_view) override {}
    void integer(const std::string&) override {}
    void string(const std::string& literal) override {
        // The last character is dropped as the closing quote even when it is a blank.
        std::string compiled = literal.size() < 2 ? "" : literal.substr(1, literal.size() - 2);
        if (isblankortab(literal.back())) {
            noteblanked(state, "the string", compiled, pieceoffset(where, literal));
        } else if (gluedstrings(compiled)) {
            state.report(
                pieceoffset(where, literal),
                quoted(literal) + " compiles as the one string " + quoted(compiled) +
                    ": a bracket inside a string literal counts for the compiler, so the string runs on "
                    "past its closing quote; put each string that holds a bracket in a variable on a line of its own");
        }
    }
    void name(const std::string& name) override {
        head = name;
        if (from == lookup::attribute) {
            noteblank(state, "an attribute named", name, where);
        } else if (hasblank(name)) {
            noteblank(state, from == lookup::global ? "a global named" : "a variable named", name, where);
            if (name.starts_with("not ") && !hasblank(name.substr(4))) state.negated = name.substr(4);
        } else {
            std::string hint = from == lookup::local ? readhint(name) : "";
            state.read(name, from == lookup::global, pieceoffset(where, name), hint);
        }
    }

    std::string members(std::string_view path) override { return entermembers(state, text, path, where, entered); }
    void attribute(const std::string& name, bool) override {
        noteblank(state, "an attribute named", name, where);
        direct = false;
    }
    void call(const piecelist& arguments, bool) override {
        if (direct && head == "print") checkprint(state, arguments, where);
        if (direct && head == "setattr") notesetattr(state, arguments);
        for (std::string_view argument : arguments) walkexpr(state, std::string(argument), where);
        direct = false;
    }
    void index(const std::string& index, bool) override {
        walkexpr(state, index, where);
        direct = false;
    }

    warnstate& state;
    const std::string& text;
    const place& where;
    lookup from;
    std::string head;  // the head when it is a name
    bool direct;       // a call straight after a plain name calls that name
    int entered = 0;
};

void checkoperand(warnstate& state, const std::string& text, const place& where) {
    if (text.empty()) return;
    scantext target(text);
    lookup from = readlookup(target);
    dropprefix(target, '&');
    dropprefix(target, '%');
    operandchecks operand(state, text, where, from);
    walkoperand(target, operand);
    std::string_view rest = target.rest();
    if (onlyblanks(rest)) return;
    std::string kept = text.substr(0, text.size() - std::min(rest.size(), text.size()));
    state.report(pieceoffset(where, rest), quoted(text) + " compiles only " + quoted(kept) + ": the text after it, " +
                                               quoted(rest) + ", is dropped");
}

// What an expression does: a group whose trailing text is dropped; every operand but those after a
// "not", which the compiler does not read.
struct chainchecks : chainlistener {
    chainchecks(warnstate& state, const std::string& text, const place& where) : state(state), text(text), where(where) {}
    void droppedafter(std::string_view after) override {
        if (!onlyblanks(after)) reportdroppedgroup(state, text, after, where);
    }
    void operand(const std::string& current, const std::string& op) override {
        if (op != "not") checkoperand(state, current, where);
    }

    warnstate& state;
    const std::string& text;
    const place& where;
};

void walkexpr(warnstate& state, const std::string& text, const place& where) {
    chainchecks chain{state, text, where};
    walkchain(text, state.expressiondepth, chain);
}

void reportblanks(warnstate& state, const token& expression) {
    std::string what;
    for (std::size_t i = 0; i < state.blanked.size(); ++i) {
        what += (i == 0 ? "" : i + 1 == state.blanked.size() ? " and " : ", ") + state.blanked[i];
    }
    std::string message =
        quoted(expression.text) + " reads " + what + ": blanks outside string literals belong to the operands";
    std::string rewrite = tidied(expression.text);
    if (rewrite != expression.text && compilescleanly(state, rewrite)) {
        message += "; write " + quoted(rewrite);
    } else if (!state.negated.empty()) {
        message += "; 'not' negates the value before it, never the one after: write " + quoted(state.negated + "==0");
    }
    state.report(state.blankat, std::move(message));
}

// The target's text before its last index and the index itself, when it ends with one.
bool splitlastindex(const std::string& text, std::string& before, std::string& index) {
    if (!text.ends_with(']')) return false;
    int depth = 0;
    for (std::size_t i = text.size(); i-- > 0;) {
        if (text[i] == ']') depth += 1;
        if (text[i] == '[' && --depth == 0) {
            before = text.substr(0, i);
            index = text.substr(i + 1, text.size() - i - 2);
            return !before.empty();
        }
    }
    return false;
}

void reportelementassignment(warnstate& state, const token& target, const std::string& value) {
    std::string message =
        quoted(target.text + " = " + value) + " is not an element assignment: it stops the run with a machine error";
    std::string before;
    std::string index;
    if (splitlastindex(target.text, before, index)) {
        std::string rewrite = before + ".set(" + index + ", " + value + ")";
        if (compilescleanly(state, rewrite)) message += "; write " + quoted(rewrite);
    }
    state.report(target.offset, std::move(message));
}

// What a target does: the name it assigns (a plain name, an attribute inside $@, a global, a member
// stored on the program root), or the name it reads on the way; every argument and index is an
// expression of its own; an index makes it an element assignment.
struct targetchecks : targetlistener {
    targetchecks(warnstate& state, const token& target, const place& where)
        : state(state), target(target), where(where) {}
    void name(lookup from, const std::string& name, bool last) override {
        if (!last) {
            if (from != lookup::attribute) state.read(name, from == lookup::global, target.offset);
        } else if (from == lookup::local || (from == lookup::attribute && state.entered > 0)) {
            state.plainassigned.insert(name);
        } else if (from == lookup::global) {
            state.globalassigned.insert(name);
        }
        rootmember = from == lookup::global && name == "progroot";
    }
    std::string members(std::string_view path) override {
        return entermembers(state, target.text, path, where, entered);
    }
    void attribute(const std::string& name, bool last) override {
        if (last && rootmember && entered == 0) state.plainassigned.insert(name);
    }
    void call(const piecelist& arguments, bool) override {
        for (std::string_view argument : arguments) walkexpr(state, std::string(argument), where);
    }
    void index(const std::string& index, bool) override {
        indexed = true;
        if (!index.empty()) walkexpr(state, index, where);
    }

    warnstate& state;
    const token& target;
    const place& where;
    bool rootmember = false;
    int entered = 0;
    bool indexed = false;
};

}  // namespace

void checkexpression(warnstate& state, const token& expression) {
    place where{expression.text, expression.offset};
    state.blanked.clear();
    state.negated.clear();
    walkexpr(state, expression.text, where);
    if (!state.blanked.empty()) reportblanks(state, expression);
}

void checktarget(warnstate& state, const token& target, const std::string& value) {
    place where{target.text, target.offset};
    targetchecks checks{state, target, where};
    walktarget(target.text, checks);
    if (checks.indexed) reportelementassignment(state, target, value);
}

bool compilescleanly(const warnstate& state, const std::string& text) {
    warnstate scratch;
    scratch.file = state.file;
    scratch.readsrecorded = false;
    try {
        checkexpression(scratch, {text, 0});
    } catch (const walkstopped&) {
        return false;
    } catch (const compileerror&) {
        return false;
    }
    return scratch.found.empty();
}
