#include "vm/natives.hpp"

#include "vm/diagnostics.hpp"
#include "vm/moduleapi.hpp"

namespace V4VM {

namespace {

std::int32_t count(std::size_t size) { return static_cast<std::int32_t>(size); }

void attach(variable& target, const char* name, variable* method) { target.attributes[name] = method; }

}  // namespace

namespace builtin {

using namespace moduleapi;

void Lgetatindex(variable* self, const scope& args) {
    variable& list = getreceiver(self);
    std::int32_t index = getarg(args, "arg0")->getint();
    pushresult(Lgetindex(list.listval, index));
}

void Lsetatindex(variable* self, const scope& args) {
    variable& list = getreceiver(self);
    variable* element = getarg(args, "arg1");
    std::int32_t index = getarg(args, "arg0")->getint();
    Lsetindex(list.listval, index, element);
}

void Lappend(variable* self, const scope& args) {
    variable& list = getreceiver(self);
    list.listval.push_back(getarg(args, "arg0"));
}

void Lcontains(variable* self, const scope& args) {
    variable& list = getreceiver(self);
    variable* probe = getarg(args, "arg0");
    bool held = false;
    for (variable* element : list.listval) held = held || element == probe;
    pushresult(newint(held));
}

void Lfind(variable* self, const scope& args) {
    variable& list = getreceiver(self);
    std::int32_t position = -1;
    // An empty list never reads its argument.
    const variable* probe = list.listval.empty() ? nullptr : getarg(args, "arg0");
    for (std::size_t at = 0; at < list.listval.size(); ++at) {
        if (*list.listval[at] == *probe) {
            position = static_cast<std::int32_t>(at);
            break;
        }
    }
    pushresult(newint(position));
}

void Lerase(variable* self, const scope& args) {
    variable& list = getreceiver(self);
    std::int32_t position = getarg(args, "arg0")->intval;
    std::size_t length = list.listval.size();
    if (static_cast<std::uint64_t>(static_cast<std::int64_t>(position)) >= length)
        error("Out of bounds. Tried erasing lement at index: " + std::to_string(position) +
                  " even tho length is: " + std::to_string(length),
              true);
    list.listval.erase(list.listval.begin() + position);
}

void Lsize(variable* self, const scope&) { pushresult(newint(count(getreceiver(self).listval.size()))); }

void pntrget(variable* self, const scope&) { pushresult(gettargetpntr(&getreceiver(self)).getvar()); }

void pntrset(variable* self, const scope& args) {
    variable& pointer = getreceiver(self);
    variable* value = getarg(args, "arg0")->getvar();
    gettargetpntr(&pointer) = *value;
}

void Dgetindex(variable* self, const scope& args) {
    variable& dict = getreceiver(self);
    pushresult(moduleapi::Dgetindex(dict.dictval, *getarg(args, "arg0")));
}

void Dsetindex(variable* self, const scope& args) {
    variable& dict = getreceiver(self);
    variable* value = getarg(args, "arg1");
    moduleapi::Dsetindex(dict.dictval, getarg(args, "arg0"), value);
}

void Dcontains(variable* self, const scope& args) {
    variable& dict = getreceiver(self);
    pushresult(newint(moduleapi::Dcontains(dict.dictval, *getarg(args, "arg0"))));
}

void Dgetkeys(variable* self, const scope&) {
    variable& dict = getreceiver(self);
    std::vector<variable*> keys;
    for (const auto& [key, value] : dict.dictval) keys.push_back(Duplicatevar(key));
    pushresult(newlist(std::move(keys)));
}

void Dgetvalues(variable* self, const scope&) {
    variable& dict = getreceiver(self);
    std::vector<variable*> values;
    for (const auto& [key, value] : dict.dictval) values.push_back(Duplicatevar(value));
    pushresult(newlist(std::move(values)));
}

void Dsize(variable* self, const scope&) { pushresult(newint(count(getreceiver(self).dictval.size()))); }

void strget(variable* self, const scope& args) {
    variable& text = getreceiver(self);
    std::int32_t position = getarg(args, "arg0")->getint();
    std::size_t length = text.stringval.size();
    if (position < 0 || static_cast<std::size_t>(position) > length)
        error("Out of bounds. Tried getting index " + std::to_string(position) + " at string with length of " +
                  std::to_string(length),
              true);
    // One past the end reads the terminating 0, as the text's C form would.
    pushresult(newstring(std::string(1, static_cast<std::size_t>(position) < length ? text.stringval[position] : '\0')));
}

}  // namespace builtin

void initlistvar(variable& target) {
    attach(target, "get", getnativefunc(builtin::Lgetatindex));
    attach(target, "set", getnativefunc(builtin::Lsetatindex));
    attach(target, "append", getnativefunc(builtin::Lappend));
    attach(target, "contains", getnativefunc(builtin::Lcontains));
    attach(target, "find", getnativefunc(builtin::Lfind));
    attach(target, "remove", getnativefunc(builtin::Lerase));
    attach(target, "size", getmodulevar(builtin::Lsize));
}

void initpntrvar(variable& target) {
    attach(target, "get", getmodulevar(builtin::pntrget));
    attach(target, "set", getmodulevar(builtin::pntrset));
}

void initdictvar(variable& target) {
    attach(target, "get", getnativefunc(builtin::Dgetindex));
    attach(target, "set", getnativefunc(builtin::Dsetindex));
    attach(target, "contains", getnativefunc(builtin::Dcontains));
    attach(target, "keys", getnativefunc(builtin::Dgetkeys));
    attach(target, "values", getnativefunc(builtin::Dgetvalues));
    attach(target, "size", getmodulevar(builtin::Dsize));
}

void initstringvar(variable& target) { attach(target, "get", getmodulevar(builtin::strget)); }

}  // namespace V4VM
