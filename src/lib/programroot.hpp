#pragma once

#include <array>
#include <string_view>

#include "lib/builtins.hpp"
#include "lib/filesystem.hpp"
#include "lib/io.hpp"

namespace V4VM::programroot {

// One name the program root holds from the start of every run, and how its value is made.
struct rootentry {
    std::string_view name;
    variable* (*make)(machine& vm);
};

template <mfuncptr function>
variable* functionvalue(machine& vm) {
    return native::getnativefunc(vm, function);
}

template <mfuncptr function>
variable* modulevalue(machine& vm) {
    return native::getmodulevar(vm, function);
}

// The console's file objects.
variable* stdoutobject(machine& vm);
variable* stdinobject(machine& vm);

// Made in this order at start-up (lib/open.cpp).
inline constexpr std::array<rootentry, 13> builtins = {{
    {"stdout", stdoutobject},
    {"stdin", stdinobject},
    {"open", functionvalue<builtin::openfile>},
    {"sizeof", functionvalue<builtin::sizeoffunc>},
    {"varconv", functionvalue<builtin::varconv>},
    {"system", functionvalue<builtin::execcmd>},
    {"filesystem", getfilesys},
    {"hasattr", modulevalue<builtin::hasattr>},
    {"getattr", modulevalue<builtin::getattr>},
    {"setattr", modulevalue<builtin::setattr>},
    {"str", modulevalue<builtin::asstr>},
    {"int", modulevalue<builtin::asint>},
    {"float", modulevalue<builtin::asfloat>},
}};

}  // namespace V4VM::programroot

// The names alone: a program sees them as plain names, and the compiler's warnings count them as
// assigned.
inline constexpr std::array<std::string_view, V4VM::programroot::builtins.size()> programrootnames = [] {
    std::array<std::string_view, V4VM::programroot::builtins.size()> names{};
    for (std::size_t at = 0; at < names.size(); ++at) names[at] = V4VM::programroot::builtins[at].name;
    return names;
}();
