#include "vm/globals.hpp"

#include <sys/wait.h>

#include <cstdlib>
#include <iostream>

#include "vm/diagnostics.hpp"
#include "vm/moduleapi.hpp"
#include "vm/values.hpp"

namespace V4VM::builtin {

namespace {

void pushconverted(const scope& args, const std::string& type) {
    pushresult(moduleapi::varconv(*moduleapi::getarg(args, "arg0"), type));
}

// The status of a finished shell command as a program sees it: its exit status, or 128 plus the
// signal that ended it; -1 when no shell could be started.
std::int32_t commandstatus(int raw) {
    if (raw == -1) return -1;
    if (WIFEXITED(raw)) return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
    return -1;
}

}  // namespace

void sizeoffunc(variable*, const scope& args) {
    variable* target = moduleapi::getarg(args, "arg0");
    std::size_t size = 0;
    switch (target->identifier) {
        case vtype::builtin_string: size = target->stringval.size(); break;
        case vtype::builtin_list: size = target->listval.size(); break;
        case vtype::builtin_dict: size = target->dictval.size(); break;
        default: error("Can't get size of target with identifier: " + typetext(target->identifier), true);
    }
    pushresult(newint(static_cast<std::int32_t>(size)));
}

void varconv(variable*, const scope& args) {
    std::string type = moduleapi::getarg(args, "arg0")->getstring(false);
    pushresult(moduleapi::varconv(*moduleapi::getarg(args, "arg1"), type));
}

void asstr(variable*, const scope& args) { pushconverted(args, "BUILTIN_STRING"); }

void asint(variable*, const scope& args) { pushconverted(args, "BUILTIN_INT"); }

void asfloat(variable*, const scope& args) { pushconverted(args, "BUILTIN_FLOAT"); }

void getattr(variable*, const scope& args) {
    std::string name = moduleapi::getarg(args, "arg1")->getstring(false);
    variable* target = moduleapi::getarg(args, "arg0");
    pushresult(moduleapi::getattribute(target, name)->getvar());
}

void setattr(variable*, const scope& args) {
    variable* value = moduleapi::getarg(args, "arg2")->getvar();
    variable* target = moduleapi::getarg(args, "arg0");
    std::string name = moduleapi::getarg(args, "arg1")->getstring(false);
    target->attributes[name] = value;
}

void hasattr(variable*, const scope& args) {
    variable* target = moduleapi::getarg(args, "arg0");
    variable* result = newint(0);
    // The name is read once per attribute: an object without attributes never reads it.
    for (const auto& [attribute, value] : target->attributes) {
        if (attribute == moduleapi::getarg(args, "arg1")->getstring(false)) result->intval = 1;
    }
    pushresult(result);
}

void execcmd(variable*, const scope& args) {
    variable* result = newint(0);
    std::string command = moduleapi::getarg(args, "arg0")->getstring(false);
    std::cout.flush();  // what the program printed comes before what the command prints
    result->intval = commandstatus(std::system(command.c_str()));
    pushresult(result);
}

}  // namespace V4VM::builtin
