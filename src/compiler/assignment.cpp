#include "compiler/assignment.hpp"

#include "common/opcodes.hpp"
#include "compiler/expressions.hpp"
#include "compiler/compileerror.hpp"
#include "compiler/scanner.hpp"
#include "compiler/tables.hpp"
#include "compiler/walk.hpp"

using namespace bytecode;

namespace {

bool startspath(const scantext& target) {
    return target.startswith('.') || target.startswith('[') || target.startswith('(');
}

// Calls the method `name` of the pointer (or value) on top of the data stack with `count` arguments
// already below it.
void callmethod(compilation& c, const std::string& name, int count) {
    c.out.add(ENTERTOP);
    addnamed(c, LOADATTR, name);
    c.out.add(CALL);
    c.out.add(INT);
    c.out.addint(count);
    c.out.add(LEAVE);
}

// A target's path as it is emitted: pointers down to the last piece, which gets a fresh object when it
// is a member and is stored through "set" when it is an element.
struct targetpath : pathlistener {
    explicit targetpath(compilation& c) : c(c) {}
    std::string members(std::string_view path) override { return emitpathwalk(c, path, wentin); }
    void attribute(const std::string& name, bool last) override {
        if (last) {
            c.out.add(PUSHCONST);
            c.out.add(CLASS);
            addnamed(c, STOREATTR, name);
        }
        addnamed(c, PTRATTR, name);
    }
    void call(const piecelist& arguments, bool) override {
        c.out.add(RESTORESCOPE);
        emitcall(c, arguments);
        c.out.add(SAVESCOPE);
        c.out.add(PTRTOP);
    }
    void index(const std::string& text, bool last) override {
        addnamed(c, PTRATTR, last ? "set" : "get");
        piecelist arguments;
        if (!text.empty()) arguments.add(text);
        c.out.add(RESTORESCOPE);
        emitcall(c, arguments);
        c.out.add(SAVESCOPE);
        if (!last) c.out.add(PTRTOP);
    }

    compilation& c;
    int wentin = 0;
};

}  // namespace

void emitstore(compilation& c, std::string_view text) {
    if (text.empty()) fail("handleset: name empty!");
    c.out.add(SAVESCOPE);
    scantext target(text);
    lookup from = readlookup(target);
    std::string temp = seekstring(target, pathdelimiters, groupingpairs, 0, false);
    // A fresh object in the variable: the "set" below fills it, so earlier holders of the old value
    // keep it.
    if (target.empty()) {
        c.out.add(PUSHCONST);
        c.out.add(CLASS);
        addnamed(c, from == lookup::local ? STORELOCAL : from == lookup::global ? STOREGLOBAL : STOREATTR, temp);
    }
    addnamed(c, from == lookup::local ? PTRLOCAL : from == lookup::global ? PTRGLOBAL : PTRATTR, temp);

    if (startspath(target)) callmethod(c, "get", 0);
    targetpath path(c);
    walkpath(target, path);
    for (int i = 0; i < path.wentin; ++i) c.out.add(LEAVE);
    callmethod(c, "set", 1);
}
