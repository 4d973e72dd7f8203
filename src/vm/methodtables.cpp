#include "vm/methodtables.hpp"

#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "vm/heap.hpp"

namespace V4VM {

namespace {

methodtable maketable(nametable& names, std::initializer_list<methoddef> methods) {
    methodtable table;
    for (const methoddef& method : methods) table.entries.push_back({names.intern(method.name), method.native, method.shape});
    table.inkeyorder.resize(table.entries.size());
    std::iota(table.inkeyorder.begin(), table.inkeyorder.end(), 0);
    std::sort(table.inkeyorder.begin(), table.inkeyorder.end(), [&](std::uint8_t a, std::uint8_t b) {
        return table.entries[a].name.str() < table.entries[b].name.str();
    });
    table.keyposition.resize(table.entries.size());
    for (std::size_t place = 0; place < table.inkeyorder.size(); ++place)
        table.keyposition[table.inkeyorder[place]] = static_cast<std::uint8_t>(place);
    return table;
}

// A method object as a fresh value of its kind gets it: native and shape set, nothing else.
void makemethod(variable& made, const methodtable::entry& method) {
    made.identifier = method.shape;
    made.ismodule = true;
    made.setmodulefunc(method.native);
}

}  // namespace

std::uint64_t methodtable::serialof(const memberset& members, std::size_t index) const {
    return members.firstserial() + (members.bykey() ? keyposition[index] : index);
}

int methodtable::find(vname name) const {
    for (std::size_t index = 0; index < entries.size(); ++index)
        if (entries[index].name == name) return static_cast<int>(index);
    return -1;
}

void methodtables::define(nametable& names, methodkind kind, std::initializer_list<methoddef> methods) {
    if (methods.size() > memberset::maxmethods) throw std::logic_error("too many built-in methods for one kind");
    tables[static_cast<std::size_t>(kind)] = maketable(names, methods);
}

void methodtables::attachbesidemembers(heap& values, variable& target, methodkind kind) const {
    const methodtable& table = of(kind);
    makeplain(values, target.attributes);
    for (const methodtable::entry& method : table.entries) {
        variable* made = values.make();
        makemethod(*made, method);
        target.attributes.plainforwriting()[method.name] = made;
    }
}

variable* methodtables::findmade(heap& values, const memberset& members, std::size_t index) const {
    auto found = values.lazymethods.find(of(members.kind()).serialof(members, index));
    return found == values.lazymethods.end() ? nullptr : found->second;
}

variable* methodtables::materialize(heap& values, const memberset& members, std::size_t index, bool ownedalone) const {
    const methodtable& table = of(members.kind());
    std::uint64_t serial = table.serialof(members, index);
    auto [place, fresh] = values.lazymethods.try_emplace(serial, nullptr);
    if (!fresh) return place->second;
    try {
        variable* made = values.makelazymethod(serial, !ownedalone);
        makemethod(*made, table.entries[index]);
        place->second = made;
        members.notemade(index);
        return made;
    } catch (...) {
        values.lazymethods.erase(serial);
        throw;
    }
}

void methodtables::givemethod(variable& standin, const memberset& members, vname name) const {
    const methodtable& table = of(members.kind());
    makemethod(standin, table.entries[static_cast<std::size_t>(table.find(name))]);
}

void methodtables::makeplain(heap& values, memberset& members) const {
    if (!members.islazy()) return;
    const methodtable& table = of(members.kind());
    membermap plain;
    for (std::size_t index = 0; index < table.entries.size(); ++index)
        plain[table.entries[index].name] = materialize(values, members, index);
    members.clear();
    members.plainforwriting() = std::move(plain);
}

}  // namespace V4VM
