#include "vm/moduleapi.hpp"

#include "vm/diagnostics.hpp"
#include "vm/state.hpp"

namespace V4VM {

namespace {

// Positions are signed but compared as unsigned 64-bit numbers, so every negative one is out of range.
bool outofrange(std::int32_t index, std::size_t length) {
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(index)) >= length;
}

std::string boundsmessage(const char* action, std::int32_t index, std::size_t length) {
    return std::string("Out of bounds. Tried ") + action + " index " + std::to_string(index) +
           " at list with length of " + std::to_string(length);
}

// The two shapes of a native function value differ only in their identifier.
variable* nativefunction(mfuncptr native, vtype shape) {
    variable* function = getallocvar();
    function->identifier = shape;
    function->ismodule = true;
    function->modulefunc = native;
    return function;
}

}  // namespace

variable* getmodulevar(mfuncptr native) { return nativefunction(native, vtype::builtin_module); }

variable* getnativefunc(mfuncptr native) { return nativefunction(native, vtype::custom_func); }

void pushresult(variable* result) { datastack.push_back(result); }

namespace moduleapi {

variable* gettopvar() {
    if (datastack.empty()) error("Data stack is empty.");
    variable* top = datastack.back()->getvar();
    datastack.pop_back();
    return top;
}

void gointo(variable* target) {
    callstack.push_back(target);
    databasestack.emplace_back();
}

void goout() {
    if (!callstack.empty()) callstack.pop_back();
    if (!databasestack.empty()) databasestack.pop_back();
}

variable* getattribute(variable* target, const std::string& name) {
    if (target != nullptr) {
        auto found = target->attributes.find(name);
        if (found != target->attributes.end()) return found->second;
    }
    error("Attempted to get attribute of class even tho it does not exist: " + name);
}

variable* getarg(const scope& args, const std::string& target) {
    variable* argument = args.find(target);
    if (argument == nullptr) error("No such arg: " + target, true);
    return argument;
}

variable& getreceiver(variable* self) {
    if (self == nullptr) error("Method called without an object.", true);
    return *self;
}

variable* Lgetindex(const std::vector<variable*>& list, std::int32_t index) {
    if (outofrange(index, list.size())) error(boundsmessage("getting", index, list.size()), true);
    return list[static_cast<std::size_t>(index)];
}

void Lsetindex(std::vector<variable*>& list, std::int32_t index, variable* val) {
    if (outofrange(index, list.size())) error(boundsmessage("setting", index, list.size()), true);
    list[static_cast<std::size_t>(index)] = val;
}

variable* varconv(const variable& target, const std::string& newtype) {
    if (newtype == "BUILTIN_STRING") return newstring(target.getstring(false));
    if (newtype == "BUILTIN_INT") return newint(target.getint());
    if (newtype == "BUILTIN_FLOAT") return newfloat(target.getfloat());
    error("Unsupported convert type: " + newtype, true);
}

bool Dcontains(const dictmap& dict, const variable& element) {
    for (const auto& [key, value] : dict)
        if (*key == element) return true;
    return false;
}

variable* Dgetindex(const dictmap& dict, const variable& index) {
    for (const auto& [key, value] : dict)
        if (*key == index) return value;
    error("Dict does not contain key: " + index.getstring(false), true);
}

void Dsetindex(dictmap& dict, variable* key, variable* val) { dict[key] = val; }

variable* Duplicatevar(variable* target) {
    variable* duplicate = getallocvar();
    *duplicate = *target;
    return duplicate;
}

variable& gettargetpntr(variable* target) {
    if (target == nullptr || target->pntrval == nullptr)
        error("Attempted to get pointer target even tho it is not defined.", true);
    return *target->pntrval;
}

variable* getlocalvar(const std::string& target) {
    if (progroot != nullptr) {
        auto found = progroot->attributes.find(target);
        if (found != progroot->attributes.end()) return found->second;
    }
    if (!databasestack.empty())
        if (variable* local = databasestack.back().find(target)) return local;
    error("Local variable not found: " + target);
}

variable* getglobalvar(const std::string& target) {
    auto found = globalvars.find(target);
    if (found == globalvars.end()) error("Global variable not found: " + target);
    return found->second;
}

}  // namespace moduleapi
}  // namespace V4VM
