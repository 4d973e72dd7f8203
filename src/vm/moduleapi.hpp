#pragma once

#include <string>
#include <vector>

#include "vm/nativeargs.hpp"
#include "vm/scope.hpp"
#include "vm/value.hpp"

// What natives use to reach the machine.
namespace V4VM {

class machine;

// A native function value of the "BUILTIN_MODULE" shape.
variable* getmodulevar(machine& vm, mfuncptr native);

// A native function value of the "CUSTOM_FUNC" shape, as methods and most built-ins are made.
variable* getnativefunc(machine& vm, mfuncptr native);

// Pushes a native's result.
void pushresult(machine& vm, variable* result);

namespace moduleapi {

void gointo(machine& vm, variable* target);
void goout(machine& vm);
variable* getattribute(machine& vm, variable* target, vname name);
// Argument `index` ("arg0", "arg1", ...): "No such arg: " and its name (within module) when absent.
variable* getarg(machine& vm, const nativeargs& args, int index);
// The receiver of a method: "Method called without an object." (within module) when null.
variable& getreceiver(variable* self);
variable* Lgetindex(const std::vector<variable*>& list, std::int32_t index);
void Lsetindex(std::vector<variable*>& list, std::int32_t index, variable* val);
variable* varconv(machine& vm, const variable& target, const std::string& newtype);
bool Dcontains(const dictmap& dict, const variable& element);
variable* Dgetindex(const dictmap& dict, const variable& index);
void Dsetindex(dictmap& dict, variable* key, variable* val);
variable* Duplicatevar(machine& vm, variable* target);
variable& gettargetpntr(variable* target);
variable* getlocalvar(machine& vm, vname target);
// What getlocalvar finds, or null where it would fail.
variable* findlocalvar(machine& vm, vname target);
variable* getglobalvar(machine& vm, vname target);

}  // namespace moduleapi
}  // namespace V4VM
