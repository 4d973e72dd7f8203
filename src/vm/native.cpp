#include "vm/native.hpp"

#include "vm/diagnostics.hpp"
#include "vm/lookup.hpp"
#include "vm/machine.hpp"

namespace V4VM {

variable* nativeargs::findinbase(machine& vm, std::size_t index) const { return base.find(vm.argname(index)); }

namespace native {

namespace {

// Positions are signed but compared as unsigned 64-bit numbers, so every negative one is out of range.
bool outofrange(std::int32_t index, std::size_t length) {
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(index)) >= length;
}

// Apart and cold, so that the element reads and writes around it stay short.
[[noreturn, gnu::cold]] void outofbounds(const char* action, std::int32_t index, std::size_t length) {
    error(std::string("Out of bounds. Tried ") + action + " index " + std::to_string(index) +
              " at list with length of " + std::to_string(length),
          true);
}

std::size_t lengthof(const variable& list) { return list.more ? list.more->listval.size() : 0; }

// The two shapes of a native function value differ only in their identifier.
variable* nativefunction(machine& vm, mfuncptr function, vtype shape) {
    variable* made = vm.getallocvar();
    made->identifier = shape;
    made->ismodule = true;
    made->setmodulefunc(function);
    return made;
}

}  // namespace

void nosuchargument(machine& vm, int index) { error("No such arg: " + vm.argname(index).str(), true); }

void noreceiver() { error("Method called without an object.", true); }

void pushresult(machine& vm, variable* result) { vm.push(result); }

variable* newint(machine& vm, std::int32_t value) { return vm.newint(value); }

variable* newfloat(machine& vm, float value) { return vm.newfloat(value); }

variable* newstring(machine& vm, std::string_view value) { return vm.newstring(value); }

variable* newlist(machine& vm, std::vector<variable*> elements) { return vm.newlist(std::move(elements)); }

variable* newobject(machine& vm) { return vm.getallocvar(); }

variable* getmodulevar(machine& vm, mfuncptr function) { return nativefunction(vm, function, vtype::builtin_module); }

variable* getnativefunc(machine& vm, mfuncptr function) { return nativefunction(vm, function, vtype::custom_func); }

variable* duplicate(machine& vm, variable* target) {
    variable* made = vm.getallocvar();
    vm.assign(*made, *target);
    return made;
}

vname name(machine& vm, std::string_view text) { return vm.name(text); }

vname name(machine& vm, const text& bytes) { return vm.names.intern(bytes); }

variable* fetch(machine& vm, variable* value) { return vm.getvar(value); }

variable* getattribute(machine& vm, variable* target, vname name) { return lookup::getattribute(vm, target, name); }

void foreachmembername(machine& vm, const variable& owner, void (*visit)(void* context, vname name), void* context) {
    vm.foreachmembername(owner, [visit, context](vname name) { visit(context, name); });
}

variable& gettargetpntr(variable* pointer) {
    if (pointer == nullptr || pointer->pntrval() == nullptr)
        error("Attempted to get pointer target even tho it is not defined.", true);
    return *pointer->pntrval();
}

void assign(machine& vm, variable& target, const variable& source) { vm.assign(target, source); }

variable* fetchforset(machine& vm, variable* value) { return vm.fetchforset(value); }

void setthroughpointer(machine& vm, variable& target, const variable& from) { vm.setthroughpointer(target, from); }

void setmember(machine& vm, variable& owner, vname name, variable* value) { vm.setmember(owner, name, value); }

variable* getelement(const variable& list, std::int32_t index) {
    if (outofrange(index, lengthof(list))) outofbounds("getting", index, lengthof(list));
    return list.more->listval[static_cast<std::size_t>(index)];
}

void setelement(machine& vm, variable& list, std::int32_t index, variable* value) {
    if (outofrange(index, lengthof(list))) outofbounds("setting", index, lengthof(list));
    vm.beforelistchange(list);
    variable*& element = list.more->listval[static_cast<std::size_t>(index)];
    vm.gc.listchanged(list, static_cast<std::size_t>(index));
    element = value;
}

void appendelement(machine& vm, variable& list, variable* element) {
    vm.beforelistchange(list);
    std::vector<variable*>& elements = list.listval();
    vm.gc.listchanged(list, elements.size());
    elements.push_back(element);
    vm.values.notebytes(sizeof(variable*));
}

void eraseelement(machine& vm, variable& list, std::size_t position) {
    vm.beforelistchange(list);
    std::vector<variable*>& elements = list.listval();
    vm.gc.listchanged(list, position);  // the elements after it move
    elements.erase(elements.begin() + static_cast<std::ptrdiff_t>(position));
}

void setentry(machine& vm, variable& dict, variable* key, variable* value) {
    vm.gc.changed(dict);
    dict.dictval()[key] = value;
    vm.values.notebytes(3 * sizeof(variable*));
}

void definemethods(machine& vm, methodkind kind, std::initializer_list<methoddef> methods) {
    vm.methods.define(vm.names, kind, methods);
}

variable& rootobject(machine& vm) { return *vm.progroot; }

const runsettings& settings(machine& vm) { return vm.settings; }

hostdata* gethostdata(const variable& value) { return value.more ? value.more->host.get() : nullptr; }

void sethostdata(variable& value, std::shared_ptr<hostdata> data) { value.hostslot() = std::move(data); }

hostlibrary* library(machine& vm) { return vm.library.get(); }

void setlibrary(machine& vm, std::unique_ptr<hostlibrary> state) { vm.library = std::move(state); }

}  // namespace native
}  // namespace V4VM
