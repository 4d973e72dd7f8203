#include "lib/builtins.hpp"

#include <iostream>

#include "lib/shellcommand.hpp"


namespace V4VM::builtin {

using namespace native;

namespace {

variable* converted(machine& vm, const variable& target, const std::string& newtype) {
    if (newtype == "BUILTIN_STRING") return newstring(vm, target.getstring(false));
    if (newtype == "BUILTIN_INT") return newint(vm, target.getint());
    if (newtype == "BUILTIN_FLOAT") return newfloat(vm, target.getfloat());
    error("Unsupported convert type: " + newtype, true);
}

void pushconverted(machine& vm, const nativeargs& args, const std::string& type) {
    pushresult(vm, converted(vm, *getarg(vm, args, 0), type));
}

// A member's name given as a value: a string's own text is read in place, with no copy made.
vname membername(machine& vm, const variable& given) {
    if (given.identifier == vtype::builtin_string) return name(vm, given.stringval);
    return name(vm, given.getstring(false));
}

}  // namespace

void sizeoffunc(machine& vm, variable*, const nativeargs& args) {
    variable* target = getarg(vm, args, 0);
    std::size_t size = 0;
    switch (target->identifier) {
        case vtype::builtin_string: size = target->stringval.size(); break;
        case vtype::builtin_list: size = target->listval().size(); break;
        case vtype::builtin_dict: size = target->dictval().size(); break;
        default: error("Can't get size of target with identifier: " + typetext(target->identifier), true);
    }
    pushresult(vm, newint(vm, static_cast<std::int32_t>(size)));
}

void varconv(machine& vm, variable*, const nativeargs& args) {
    std::string type = getarg(vm, args, 0)->getstring(false);
    pushresult(vm, converted(vm, *getarg(vm, args, 1), type));
}

void asstr(machine& vm, variable*, const nativeargs& args) { pushconverted(vm, args, "BUILTIN_STRING"); }

void asint(machine& vm, variable*, const nativeargs& args) { pushconverted(vm, args, "BUILTIN_INT"); }

void asfloat(machine& vm, variable*, const nativeargs& args) { pushconverted(vm, args, "BUILTIN_FLOAT"); }

void getattr(machine& vm, variable*, const nativeargs& args) {
    vname member = membername(vm, *getarg(vm, args, 1));
    variable* target = getarg(vm, args, 0);
    pushresult(vm, fetch(vm, getattribute(vm, target, member)));
}

void setattr(machine& vm, variable*, const nativeargs& args) {
    variable* value = fetch(vm, getarg(vm, args, 2));
    variable* target = getarg(vm, args, 0);
    vname member = membername(vm, *getarg(vm, args, 1));
    setmember(vm, *target, member, value);
}

void hasattr(machine& vm, variable*, const nativeargs& args) {
    variable* target = getarg(vm, args, 0);
    variable* result = newint(vm, 0);
    // The name is read once per member: an object without members never reads it.
    foreachmembername(vm, *target, [&](vname member) {
        if (member == getarg(vm, args, 1)->getstring(false)) result->intval = 1;
    });
    pushresult(vm, result);
}

void execcmd(machine& vm, variable*, const nativeargs& args) {
    variable* result = newint(vm, 0);
    std::string command = getarg(vm, args, 0)->getstring(false);
    std::cout.flush();  // what the program printed comes before what the command prints
    if (settings(vm).noshell) {
        result->intval = -1;  // a sandboxed run starts no shell
    } else {
        result->intval = runshellcommand(command);
        raiseifinterrupted();  // Ctrl-C stopped the command, and the run with it
    }
    pushresult(vm, result);
}

}  // namespace V4VM::builtin
