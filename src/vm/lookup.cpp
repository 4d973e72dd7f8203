#include "vm/lookup.hpp"

#include "vm/diagnostics.hpp"
#include "vm/machine.hpp"

namespace V4VM::lookup {

void gointo(machine& vm, variable* target) {
    vm.callstack.push_back(target);
    vm.databasestack.emplace_back();
}

void goout(machine& vm) {
    if (!vm.callstack.empty()) vm.callstack.pop_back();
    if (!vm.databasestack.empty()) vm.databasestack.pop_back();
    vm.noteifemptied();
}

variable* getattribute(machine& vm, variable* target, vname name) {
    if (target != nullptr)
        if (variable* member = vm.findmember(*target, name)) return member;
    error("Attempted to get attribute of class even tho it does not exist: " + name.str());
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

}  // namespace V4VM::lookup
