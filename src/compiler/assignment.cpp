#include "compiler/assignment.hpp"

#include "common/opcodes.hpp"
#include "compiler/expressions.hpp"
#include "compiler/compileerror.hpp"
#include "compiler/scanner.hpp"
#include "compiler/tables.hpp"

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

}  // namespace

void emitstore(compilation& c, std::string_view text) {
    if (text.empty()) fail("handleset: name empty!");
    c.out.add(SAVESCOPE);
    scantext target(text);
    int getof = 0;
    if (dropprefix(target, 'G')) getof = 1;
    if (dropprefix(target, '@')) getof = 2;
    std::string temp = seekstring(target, pathdelimiters, groupingpairs, 0, false);
    // A fresh object in the variable: the "set" below fills it, so earlier holders of the old value
    // keep it.
    if (target.empty()) {
        c.out.add(PUSHCONST);
        c.out.add(CLASS);
        addnamed(c, getof == 0 ? STORELOCAL : getof == 1 ? STOREGLOBAL : STOREATTR, temp);
    }
    addnamed(c, getof == 0 ? PTRLOCAL : getof == 1 ? PTRGLOBAL : PTRATTR, temp);

    int wentin = 0;
    if (startspath(target)) callmethod(c, "get", 0);
    while (startspath(target)) {
        if (target.startswith('.')) {
            target.replace(emitpathwalk(c, target.rest(), wentin, {}));
            temp = seekstring(target, pathdelimiters, groupingpairs, 0, false);
            if (target.empty()) {
                c.out.add(PUSHCONST);
                c.out.add(CLASS);
                addnamed(c, STOREATTR, temp);
            }
            addnamed(c, PTRATTR, temp);
        }
        if (dropprefix(target, '(')) {
            piecelist args = getargs(target, ",", {")"});
            dropprefix(target, ')');
            c.out.add(RESTORESCOPE);
            emitcall(c, args);
            c.out.add(SAVESCOPE);
            c.out.add(PTRTOP);
        }
        if (dropprefix(target, '[')) {
            temp = seekstring(target, {"]"}, groupingpairs, 0, false);
            target.drop(1);
            addnamed(c, PTRATTR, target.empty() ? "set" : "get");
            piecelist args;
            if (!temp.empty()) args.add(temp);
            c.out.add(RESTORESCOPE);
            emitcall(c, args);
            c.out.add(SAVESCOPE);
            if (!target.empty()) c.out.add(PTRTOP);
        }
    }
    for (int i = 0; i < wentin; ++i) c.out.add(LEAVE);
    callmethod(c, "set", 1);
}
