#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <type_traits>
#include <vector>

#include "common/runsettings.hpp"
#include "vm/diagnostics.hpp"
#include "vm/hostdata.hpp"
#include "vm/methodtables.hpp"
#include "vm/nativeargs.hpp"
#include "vm/value.hpp"

// What a native may do with the machine that calls it: the library's one door into the machine. The
// writes tell the collector what changed, so that no native has to. A native fails through error()
// with `withinmodule` set (vm/diagnostics.hpp).
namespace V4VM::native {

[[noreturn]] void nosuchargument(machine& vm, int index);
[[noreturn]] void noreceiver();

// Argument `index` ("arg0", "arg1", ...): "No such arg: " and its name (within module) when absent.
inline variable* getarg(machine& vm, const nativeargs& args, int index) {
    if (variable* argument = args.find(vm, static_cast<std::size_t>(index))) return argument;
    nosuchargument(vm, index);
}

// The receiver of a method: "Method called without an object." (within module) when null.
inline variable& getreceiver(variable* self) {
    if (self == nullptr) noreceiver();
    return *self;
}
// Pushes the native's result.
void pushresult(machine& vm, variable* result);

// Fresh values.
variable* newint(machine& vm, std::int32_t value);
variable* newfloat(machine& vm, float value);
variable* newstring(machine& vm, std::string_view value);
variable* newlist(machine& vm, std::vector<variable*> elements = {});
variable* newobject(machine& vm);  // of no kind yet, without members
// A native function value of the "BUILTIN_MODULE" shape.
variable* getmodulevar(machine& vm, mfuncptr function);
// A native function value of the "CUSTOM_FUNC" shape, as methods and most built-ins are made.
variable* getnativefunc(machine& vm, mfuncptr function);
// A new value equal to `target` (every field but identity).
variable* duplicate(machine& vm, variable* target);
vname name(machine& vm, std::string_view text);
vname name(machine& vm, const text& bytes);

// The value to use when `value` is fetched: a copy for the value kinds, the value itself otherwise.
variable* fetch(machine& vm, variable* value);
// The member `name` of `target`, as the machine's own attribute reads find it.
variable* getattribute(machine& vm, variable* target, vname name);
// Calls visit(context, name) for every member name of `owner`, in no particular order.
void foreachmembername(machine& vm, const variable& owner, void (*visit)(void* context, vname name), void* context);
// Calls visit(name) for every member name of `owner`, in no particular order.
template <typename visitor>
void foreachmembername(machine& vm, const variable& owner, visitor&& visit) {
    auto call = [](void* context, vname name) { (*static_cast<std::remove_reference_t<visitor>*>(context))(name); };
    foreachmembername(vm, owner, call, &visit);
}
// What a pointer points to: "Attempted to get pointer target even tho it is not defined." (within
// module) when nothing.
variable& gettargetpntr(variable* pointer);

// Element `index` of a list: "Out of bounds. Tried getting index ..." (within module) outside it.
variable* getelement(const variable& list, std::int32_t index);

// Writes into values the program may already hold.
void assign(machine& vm, variable& target, const variable& source);
// A pointer's set of `value`: what it takes the fields from, then the set itself.
variable* fetchforset(machine& vm, variable* value);
void setthroughpointer(machine& vm, variable& target, const variable& from);
void setmember(machine& vm, variable& owner, vname name, variable* value);
// Element `index` of a list: "Out of bounds. Tried setting index ..." (within module) outside it.
void setelement(machine& vm, variable& list, std::int32_t index, variable* value);
void appendelement(machine& vm, variable& list, variable* element);
// Removes the element at `position`, which must be inside the list.
void eraseelement(machine& vm, variable& list, std::size_t position);
// The entry under the key object `key` (a new entry unless that very object is a key already).
void setentry(machine& vm, variable& dict, variable* key, variable* value);

// Sets the built-in methods every value of `kind` carries; before any value of that kind is made.
void definemethods(machine& vm, methodkind kind, std::initializer_list<methoddef> methods);

// The program root, which holds the built-ins and the program's own top-level names.
variable& rootobject(machine& vm);

// How the run is bounded and confined.
const runsettings& settings(machine& vm);

// The host data a value carries (null when none), and setting it.
hostdata* gethostdata(const variable& value);
void sethostdata(variable& value, std::shared_ptr<hostdata> data);
// The library's state in the machine (null until it is set).
hostlibrary* library(machine& vm);
void setlibrary(machine& vm, std::unique_ptr<hostlibrary> state);

}  // namespace V4VM::native
