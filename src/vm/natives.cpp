#include "vm/natives.hpp"

#include <algorithm>

#include "vm/diagnostics.hpp"
#include "vm/machine.hpp"
#include "vm/moduleapi.hpp"

namespace V4VM::builtin {

using namespace moduleapi;

namespace {
std::int32_t count(std::size_t size) { return static_cast<std::int32_t>(size); }
}  // namespace

void Lgetatindex(machine& vm, variable* self, const nativeargs& args) {
    variable& list = getreceiver(self);
    std::int32_t index = getarg(vm, args, 0)->getint();
    pushresult(vm, Lgetindex(list.listval(), index));
}

void Lsetatindex(machine& vm, variable* self, const nativeargs& args) {
    variable& list = getreceiver(self);
    variable* element = getarg(vm, args, 1);
    std::int32_t index = getarg(vm, args, 0)->getint();
    vm.gc.listchanged(list, static_cast<std::size_t>(std::max(index, 0)));
    Lsetindex(list.listval(), index, element);
}

void Lappend(machine& vm, variable* self, const nativeargs& args) {
    variable& list = getreceiver(self);
    variable* element = getarg(vm, args, 0);
    std::vector<variable*>& elements = list.listval();
    vm.gc.listchanged(list, elements.size());
    elements.push_back(element);
    vm.values.notebytes(sizeof(variable*));
}

void Lcontains(machine& vm, variable* self, const nativeargs& args) {
    variable& list = getreceiver(self);
    variable* probe = getarg(vm, args, 0);
    bool held = false;
    for (variable* element : list.listval()) held = held || element == probe;
    pushresult(vm, vm.newint(held));
}

void Lfind(machine& vm, variable* self, const nativeargs& args) {
    variable& list = getreceiver(self);
    const auto& elements = list.listval();
    std::int32_t position = -1;
    // An empty list never reads its argument.
    const variable* probe = elements.empty() ? nullptr : getarg(vm, args, 0);
    for (std::size_t at = 0; at < elements.size(); ++at) {
        if (*elements[at] == *probe) {
            position = static_cast<std::int32_t>(at);
            break;
        }
    }
    pushresult(vm, vm.newint(position));
}

void Lerase(machine& vm, variable* self, const nativeargs& args) {
    variable& list = getreceiver(self);
    std::int32_t position = getarg(vm, args, 0)->intval;
    auto& elements = list.listval();
    std::size_t length = elements.size();
    if (static_cast<std::uint64_t>(static_cast<std::int64_t>(position)) >= length)
        error("Out of bounds. Tried erasing lement at index: " + std::to_string(position) +
                  " even tho length is: " + std::to_string(length),
              true);
    vm.gc.listchanged(list, static_cast<std::size_t>(position));  // the elements after it move
    elements.erase(elements.begin() + position);
}

void Lsize(machine& vm, variable* self, const nativeargs&) {
    pushresult(vm, vm.newint(count(getreceiver(self).listval().size())));
}

void pntrget(machine& vm, variable* self, const nativeargs&) {
    pushresult(vm, vm.getvar(&gettargetpntr(&getreceiver(self))));
}

void pntrset(machine& vm, variable* self, const nativeargs& args) {
    variable& pointer = getreceiver(self);
    variable* value = vm.getvar(getarg(vm, args, 0));
    vm.assign(gettargetpntr(&pointer), *value);
}

void Dgetindex(machine& vm, variable* self, const nativeargs& args) {
    variable& dict = getreceiver(self);
    pushresult(vm, moduleapi::Dgetindex(dict.dictval(), *getarg(vm, args, 0)));
}

void Dsetindex(machine& vm, variable* self, const nativeargs& args) {
    variable& dict = getreceiver(self);
    variable* value = getarg(vm, args, 1);
    variable* key = getarg(vm, args, 0);
    vm.gc.changed(dict);
    moduleapi::Dsetindex(dict.dictval(), key, value);
    vm.values.notebytes(3 * sizeof(variable*));
}

void Dcontains(machine& vm, variable* self, const nativeargs& args) {
    variable& dict = getreceiver(self);
    pushresult(vm, vm.newint(moduleapi::Dcontains(dict.dictval(), *getarg(vm, args, 0))));
}

void Dgetkeys(machine& vm, variable* self, const nativeargs&) {
    variable& dict = getreceiver(self);
    std::vector<variable*> keys;
    for (const auto& [key, value] : dict.dictval()) keys.push_back(Duplicatevar(vm, key));
    pushresult(vm, vm.newlist(std::move(keys)));
}

void Dgetvalues(machine& vm, variable* self, const nativeargs&) {
    variable& dict = getreceiver(self);
    std::vector<variable*> values;
    for (const auto& [key, value] : dict.dictval()) values.push_back(Duplicatevar(vm, value));
    pushresult(vm, vm.newlist(std::move(values)));
}

void Dsize(machine& vm, variable* self, const nativeargs&) {
    pushresult(vm, vm.newint(count(getreceiver(self).dictval().size())));
}

void strget(machine& vm, variable* self, const nativeargs& args) {
    variable& text = getreceiver(self);
    std::int32_t position = getarg(vm, args, 0)->getint();
    std::string_view bytes = text.stringval.view();
    std::size_t length = bytes.size();
    if (position < 0 || static_cast<std::size_t>(position) > length)
        error("Out of bounds. Tried getting index " + std::to_string(position) + " at string with length of " +
                  std::to_string(length),
              true);
    // One past the end reads the terminating 0, as the text's C form would.
    char byte = static_cast<std::size_t>(position) < length ? bytes[static_cast<std::size_t>(position)] : '\0';
    pushresult(vm, vm.newstring(std::string_view(&byte, 1)));
}

}  // namespace V4VM::builtin
