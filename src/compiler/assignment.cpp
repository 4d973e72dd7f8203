#include "compiler/assignment.hpp"

#include "bytecode/opcodes.hpp"
#include "compiler/expressions.hpp"
#include "compiler/compileerror.hpp"
#include "compiler/scanner.hpp"
#include "compiler/tables.hpp"
#include "compiler/walk.hpp"

using namespace bytecode;

namespace {

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

// A target as it is emitted: pointers down to the last piece, which gets a fresh object when it is a
// name or a member (the "set" that follows fills it, so earlier holders of the old value keep it) and
// is stored through "set" when it is an element.
struct targetemitter : targetlistener {
    explicit targetemitter(compilation& c) : c(c) {}
    void name(lookup from, const std::string& name, bool last) override {
        if (last) {
            c.out.add(PUSHCONST);
            c.out.add(CLASS);
            addnamed(c, from == lookup::local ? STORELOCAL : from == lookup::global ? STOREGLOBAL : STOREATTR, name);
        }
        addnamed(c, from == lookup::local ? PTRLOCAL : from == lookup::global ? PTRGLOBAL : PTRATTR, name);
        if (!last) callmethod(c, "get", 0);
    }
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
    c.out.add(SAVESCOPE);
    targetemitter target(c);
    walktarget(text, target);
    for (int i = 0; i < target.wentin; ++i) c.out.add(LEAVE);
    callmethod(c, "set", 1);
}
