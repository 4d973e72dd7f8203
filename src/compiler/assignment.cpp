#include "compiler/assignment.hpp"

#include "common/opcodes.hpp"
#include "compiler/expressions.hpp"
#include "compiler/packer.hpp"
#include "compiler/rawapi.hpp"
#include "compiler/tables.hpp"

using namespace bytecode;

namespace {

bool startspath(const scantext& target) {
    return target.startswith('.') || target.startswith('[') || target.startswith('(');
}

// Calls the method `name` of the pointer (or value) on top of the data stack with `count` arguments
// already below it.
void callmethod(const std::string& name, int count) {
    addcode(ENTERTOP);
    addnamed(LOADATTR, name);
    addcode(CALL);
    addcode(INT);
    compileint(count);
    addcode(LEAVE);
}

}  // namespace

void handleset(std::string_view text) {
    if (text.empty()) error("handleset: name empty!");
    addcode(SAVESCOPE);
    scantext target(text);
    int getof = 0;
    if (dropprefix(target, 'G')) getof = 1;
    if (dropprefix(target, '@')) getof = 2;
    std::string temp = seekstring(target, pathdelimiters, GIM, 0, false);
    // A fresh object in the variable: the "set" below fills it, so earlier holders of the old value
    // keep it.
    if (target.empty()) {
        addcode(PUSHCONST);
        addcode(CLASS);
        addnamed(getof == 0 ? STORELOCAL : getof == 1 ? STOREGLOBAL : STOREATTR, temp);
    }
    addnamed(getof == 0 ? PTRLOCAL : getof == 1 ? PTRGLOBAL : PTRATTR, temp);

    int wentin = 0;
    if (startspath(target)) callmethod("get", 0);
    while (startspath(target)) {
        if (target.startswith('.')) {
            target.replace(gointo(target.rest(), wentin, {}));
            temp = seekstring(target, pathdelimiters, GIM, 0, false);
            if (target.empty()) {
                addcode(PUSHCONST);
                addcode(CLASS);
                addnamed(STOREATTR, temp);
            }
            addnamed(PTRATTR, temp);
        }
        if (dropprefix(target, '(')) {
            piecelist args = getargs(target, ",", {")"});
            dropprefix(target, ')');
            addcode(RESTORESCOPE);
            callfunc(args);
            addcode(SAVESCOPE);
            addcode(PTRTOP);
        }
        if (dropprefix(target, '[')) {
            temp = seekstring(target, {"]"}, GIM, 0, false);
            target.drop(1);
            addnamed(PTRATTR, target.empty() ? "set" : "get");
            piecelist args;
            if (!temp.empty()) args.add(temp);
            addcode(RESTORESCOPE);
            callfunc(args);
            addcode(SAVESCOPE);
            if (!target.empty()) addcode(PTRTOP);
        }
    }
    for (int i = 0; i < wentin; ++i) addcode(LEAVE);
    callmethod("set", 1);
}
