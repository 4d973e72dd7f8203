#include "vm/moduleapi.hpp"

#include "vm/diagnostics.hpp"
#include "vm/machine.hpp"

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
variable* nativefunction(machine& vm, mfuncptr native, vtype shape) {
    variable* function = vm.getallocvar();
    function->identifier = shape;
    function->ismodule = true;
    function->setmodulefunc(native);
    return function;
}

}  // namespace

variable* getmodulevar(machine& vm, mfuncptr native) { return nativefunction(vm, native, vtype::builtin_module); }

variable* getnativefunc(machine& vm, mfuncptr native) { return nativefunction(vm, native, vtype::custom_func); }

void pushresult(machine& vm, variable* result) { vm.push(result); }

variable* nativeargs::find(machine& vm, std::size_t index) const {
    if (index < popped.size()) return popped[index];
    return base.find(vm.argname(index));
}

namespace moduleapi {

void gointo(machine& vm, variable* target) {
    vm.callstack.push_back(target);
    vm.databasestack.emplace_back();
}

void goout(machine& vm) {
    if (!vm.callstack.empty()) vm.callstack.pop_back();
    if (!vm.databasestack.empty()) vm.databasestack.pop_back();
}

variable* getattribute(machine& vm, variable* target, vname name) {
    if (target != nullptr)
        if (variable* member = vm.findmember(*target, name)) return member;
    error("Attempted to get attribute of class even tho it does not exist: " + name.str());
}

variable* getarg(machine& vm, const nativeargs& args, int index) {
    variable* argument = args.find(vm, static_cast<std::size_t>(index));
    if (argument == nullptr) error("No such arg: " + vm.argname(index).str(), true);
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

variable* varconv(machine& vm, const variable& target, const std::string& newtype) {
    if (newtype == "BUILTIN_STRING") return vm.newstring(target.getstring(false));
    if (newtype == "BUILTIN_INT") return vm.newint(target.getint());
    if (newtype == "BUILTIN_FLOAT") return vm.newfloat(target.getfloat());
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

variable* Duplicatevar(machine& vm, variable* target) {
    variable* duplicate = vm.getallocvar();
    vm.assign(*duplicate, *target);
    return duplicate;
}

variable& gettargetpntr(variable* target) {
    if (target == nullptr || target->pntrval() == nullptr)
        error("Attempted to get pointer target even tho it is not defined.", true);
    return *target->pntrval();
}

variable* findlocalvar(machine& vm, vname target) {
    if (vm.progroot != nullptr)
        if (variable* member = vm.findrootmember(target)) return member;
    return vm.databasestack.empty() ? nullptr : vm.databasestack.back().find(target);
}

variable* getlocalvar(machine& vm, vname target) {
    if (variable* local = findlocalvar(vm, target)) return local;
    error("Local variable not found: " + target.str());
}

variable* getglobalvar(machine& vm, vname target) {
    auto found = vm.globalvars.find(target.key());
    if (found == vm.globalvars.end()) error("Global variable not found: " + target.str());
    return found->second;
}

}  // namespace moduleapi
}  // namespace V4VM
