#pragma once

#include <string>
#include <vector>

#include "vm/scope.hpp"
#include "vm/values.hpp"

namespace V4VM {

// A native function value of the "BUILTIN_MODULE" shape.
variable* getmodulevar(mfuncptr native);

// A native function value of the "CUSTOM_FUNC" shape, as methods and most built-ins are made.
variable* getnativefunc(mfuncptr native);

// Pushes a native's result.
void pushresult(variable* result);

namespace moduleapi {

variable* gettopvar();  // "Data stack is empty." when there is nothing to pop
void gointo(variable* target);
void goout();
variable* getattribute(variable* target, const std::string& name);
variable* getarg(const scope& args, const std::string& target);
// The receiver of a method: "Method called without an object." (within module) when null.
variable& getreceiver(variable* self);
variable* Lgetindex(const std::vector<variable*>& list, std::int32_t index);
void Lsetindex(std::vector<variable*>& list, std::int32_t index, variable* val);
variable* varconv(const variable& target, const std::string& newtype);
bool Dcontains(const dictmap& dict, const variable& element);
variable* Dgetindex(const dictmap& dict, const variable& index);
void Dsetindex(dictmap& dict, variable* key, variable* val);
variable* Duplicatevar(variable* target);
variable& gettargetpntr(variable* target);
variable* getlocalvar(const std::string& target);
variable* getglobalvar(const std::string& target);

}  // namespace moduleapi
}  // namespace V4VM
