#include "lib/methods.hpp"

#include <algorithm>


namespace V4VM::builtin {

using namespace native;

namespace {

std::int32_t count(std::size_t size) { return static_cast<std::int32_t>(size); }

// Keys are compared by value, in the order their objects were made: the first equal one answers.
// Scans of long lists and dictionaries stop for a signal, so that the run ends soon after one.
dictmap::const_iterator findkey(const dictmap& dict, const variable& key) {
    return std::find_if(dict.begin(), dict.end(), [&key](const auto& entry) {
        raiseifinterrupted();
        return *entry.first == key;
    });
}

}  // namespace

void Lgetatindex(machine& vm, variable* self, const nativeargs& args) {
    variable& list = getreceiver(self);
    std::int32_t index = getarg(vm, args, 0)->getint();
    pushresult(vm, getelement(list, index));
}

void Lsetatindex(machine& vm, variable* self, const nativeargs& args) {
    variable& list = getreceiver(self);
    variable* element = getarg(vm, args, 1);
    setelement(vm, list, getarg(vm, args, 0)->getint(), element);
}

void Lappend(machine& vm, variable* self, const nativeargs& args) {
    variable& list = getreceiver(self);
    appendelement(vm, list, getarg(vm, args, 0));
}

void Lcontains(machine& vm, variable* self, const nativeargs& args) {
    variable& list = getreceiver(self);
    variable* probe = getarg(vm, args, 0);
    bool held = false;
    for (variable* element : list.listval()) held = held || element == probe;
    pushresult(vm, newint(vm, held));
}

void Lfind(machine& vm, variable* self, const nativeargs& args) {
    variable& list = getreceiver(self);
    const auto& elements = list.listval();
    std::int32_t position = -1;
    // An empty list never reads its argument.
    const variable* probe = elements.empty() ? nullptr : getarg(vm, args, 0);
    for (std::size_t at = 0; at < elements.size(); ++at) {
        raiseifinterrupted();
        if (*elements[at] == *probe) {
            position = static_cast<std::int32_t>(at);
            break;
        }
    }
    pushresult(vm, newint(vm, position));
}

void Lerase(machine& vm, variable* self, const nativeargs& args) {
    variable& list = getreceiver(self);
    std::int32_t position = getarg(vm, args, 0)->intval;
    const auto& elements = list.listval();
    std::size_t length = elements.size();
    if (static_cast<std::uint64_t>(static_cast<std::int64_t>(position)) >= length)
        error("Out of bounds. Tried erasing lement at index: " + std::to_string(position) +
                  " even tho length is: " + std::to_string(length),
              true);
    eraseelement(vm, list, static_cast<std::size_t>(position));
}

void Lsize(machine& vm, variable* self, const nativeargs&) {
    pushresult(vm, newint(vm, count(getreceiver(self).listval().size())));
}

void pntrget(machine& vm, variable* self, const nativeargs&) {
    pushresult(vm, fetch(vm, &gettargetpntr(&getreceiver(self))));
}

void pntrset(machine& vm, variable* self, const nativeargs& args) {
    variable& pointer = getreceiver(self);
    variable* value = fetchforset(vm, getarg(vm, args, 0));
    setthroughpointer(vm, gettargetpntr(&pointer), *value);
}

void Dgetindex(machine& vm, variable* self, const nativeargs& args) {
    variable& dict = getreceiver(self);
    const variable& key = *getarg(vm, args, 0);
    auto found = findkey(dict.dictval(), key);
    if (found == dict.dictval().end()) error("Dict does not contain key: " + key.getstring(false), true);
    pushresult(vm, found->second);
}

void Dsetindex(machine& vm, variable* self, const nativeargs& args) {
    variable& dict = getreceiver(self);
    variable* value = getarg(vm, args, 1);
    variable* key = getarg(vm, args, 0);
    setentry(vm, dict, key, value);
}

void Dcontains(machine& vm, variable* self, const nativeargs& args) {
    variable& dict = getreceiver(self);
    pushresult(vm, newint(vm, findkey(dict.dictval(), *getarg(vm, args, 0)) != dict.dictval().end()));
}

void Dgetkeys(machine& vm, variable* self, const nativeargs&) {
    variable& dict = getreceiver(self);
    std::vector<variable*> keys;
    for (const auto& [key, value] : dict.dictval()) {
        raiseifinterrupted();
        keys.push_back(duplicate(vm, key));
    }
    pushresult(vm, newlist(vm, std::move(keys)));
}

void Dgetvalues(machine& vm, variable* self, const nativeargs&) {
    variable& dict = getreceiver(self);
    std::vector<variable*> values;
    for (const auto& [key, value] : dict.dictval()) {
        raiseifinterrupted();
        values.push_back(duplicate(vm, value));
    }
    pushresult(vm, newlist(vm, std::move(values)));
}

void Dsize(machine& vm, variable* self, const nativeargs&) {
    pushresult(vm, newint(vm, count(getreceiver(self).dictval().size())));
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
    pushresult(vm, newstring(vm, std::string_view(&byte, 1)));
}

}  // namespace V4VM::builtin
