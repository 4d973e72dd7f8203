#pragma once

#include "vm/value.hpp"

// How the machine finds the names and members its instructions read, and enters and leaves objects.
namespace V4VM::lookup {

void gointo(machine& vm, variable* target);
void goout(machine& vm);
// The member `name` of `target`: "Attempted to get attribute of class even tho it does not exist: "
// and its name when absent.
variable* getattribute(machine& vm, variable* target, vname name);
variable* getlocalvar(machine& vm, vname target);
// What getlocalvar finds, or null where it would fail.
variable* findlocalvar(machine& vm, vname target);
variable* getglobalvar(machine& vm, vname target);

}  // namespace V4VM::lookup
