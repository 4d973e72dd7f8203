// The machine's operations on values: making, fetching, copying, pointing to and assigning them, and
// their members.
#include <vector>

#include "common/process.hpp"

#include "vm/diagnostics.hpp"
#include "vm/machine.hpp"

namespace V4VM {

namespace {

std::optional<methodkind> methodsof(vtype type) {
    switch (type) {
        case vtype::builtin_string: return methodkind::string;
        case vtype::builtin_list: return methodkind::list;
        case vtype::builtin_dict: return methodkind::dict;
        case vtype::builtin_pntr: return methodkind::pntr;
        default: return std::nullopt;
    }
}

// One top-level copy and the copies it makes of what the source holds. Objects are marked while
// their copy's members are made, so that a member met again stays shared, and a copy of an object
// already being copied with exactly the same marks would repeat itself forever: the caller then
// keeps the object itself.
class copier {
public:
    explicit copier(machine& vm) : vm(vm) {}

    variable* copy(variable* source) {
        for (const activecopy& running : active)
            if (running.source == source && running.markedatstart == markedcount) return source;
        if (active.size() >= static_cast<std::size_t>(maxnesting)) error("Nesting too deep.");
        if (active.size() == stackhopdepth) {
            variable* result = nullptr;
            // Without a stack of its own the copy stops here rather than overflow the machine's.
            if (!tryonlargestack([&] { result = copyhere(source); })) error("Nesting too deep.");
            return result;
        }
        return copyhere(source);
    }

private:
    variable* copyhere(variable* source) {
        active.push_back({source, markedcount});
        level unmarking(*this);
        raiseifinterrupted();  // a copy of a large structure takes long; its marks are undone on the way out

        variable* result = vm.values.make();
        if (freshmethods(*source))
            vm.assigncopy(*result, *source);
        else
            vm.assign(*result, *source);
        copymembers(*source, *result);
        if (source->more && !source->more->dictval.empty()) {
            dictmap entries;
            for (const auto& [key, value] : source->more->dictval) {
                variable* keycopy = copy(key);
                variable* valuecopy = copy(value);
                entries[keycopy] = valuecopy;
            }
            result->dictval() = std::move(entries);
        } else if (result->more) {
            result->more->dictval.clear();
        }
        if (copiesreceiver(*source) && !source->alreadycopied) {
            mark(source);
            result->self = copy(source->self);
        }
        return result;
    }

    // One copy in progress: when it ends, however it ends (a copy too deep fails), the marks it made
    // are undone and it is no longer active.
    class level {
    public:
        explicit level(copier& copies) : copies(copies), marksbefore(copies.marked.size()) {}
        ~level() {
            while (copies.marked.size() > marksbefore) {
                copies.marked.back()->alreadycopied = false;
                --copies.markedcount;
                copies.marked.pop_back();
            }
            copies.active.pop_back();
        }
        level(const level&) = delete;
        level& operator=(const level&) = delete;

    private:
        copier& copies;
        std::size_t marksbefore;
    };

    struct activecopy {
        const variable* source;
        std::size_t markedatstart;
    };

    // Fresh methods copy as fresh methods: only their serials are new.
    bool freshmethods(const variable& source) { return source.attributes.islazy() && vm.copiesalone(source); }

    void mark(variable* object) {
        object->alreadycopied = true;
        ++markedcount;
        marked.push_back(object);
    }

    // Members in the order of their names: each a copy, unless already marked in this copy.
    void copymembers(const variable& source, variable& result) {
        const memberset& members = source.attributes;
        if (members.islazy()) {
            if (freshmethods(source)) return;  // assigncopy gave the copy fresh methods of its own
            const methodtable& table = vm.methods.of(members.kind());
            std::vector<std::pair<vname, variable*>> entries;
            for (std::uint8_t index : table.inkeyorder)
                entries.emplace_back(table.entries[index].name, vm.methods.materialize(vm.values, members, index));
            result.attributes.clear();
            membermap& copies = result.attributes.plainforwriting();
            for (const auto& [key, member] : entries) copies[key] = member;
            for (const auto& [key, member] : entries) copymember(key, member, copies);
            return;
        }
        if (const membermap* plain = members.plain()) {
            membermap& copies = result.attributes.plainforwriting();
            for (const auto& [key, member] : inorder(*plain)) copymember(key, member, copies);
        }
    }

    void copymember(vname key, variable* member, membermap& copies) {
        if (member->alreadycopied) return;
        variable* membercopy = copy(member);
        copies[key] = membercopy;
        mark(member);
    }

    machine& vm;
    std::vector<activecopy> active;
    std::vector<variable*> marked;
    std::size_t markedcount = 0;
};

}  // namespace

variable* machine::getallocvar(vtype type) {
    variable* value = values.make();
    if (auto kind = methodsof(type)) attachmethods(*value, *kind);
    return value;
}

variable* machine::newstring(text value) {
    variable* result = values.make();
    result->identifier = vtype::builtin_string;
    values.notebytes(value.size());
    result->stringval = std::move(value);
    attachmethods(*result, methodkind::string);
    return result;
}

variable* machine::newlist(std::vector<variable*> elements) {
    variable* result = values.make();
    result->identifier = vtype::builtin_list;
    values.notebytes(elements.size() * sizeof(variable*));
    if (!elements.empty()) result->listval() = std::move(elements);
    attachmethods(*result, methodkind::list);
    return result;
}

void machine::renumbermethods(variable& value) {
    if (value.attributes.islazy()) givefreshnote(value, value.attributes.kind());
}

void machine::givefreshnote(variable& target, methodkind kind) {
    target.attributes.makelazy(kind, true, values.reserve(methods.of(kind).entries.size()));
}

bool machine::copiesalonewithmembers(const variable& value) {
    if (value.more && !value.more->dictval.empty()) return false;
    const memberset& members = value.attributes;
    if (!members.islazy()) return members.empty();
    if (!members.maybemade()) return true;
    std::size_t count = methods.of(members.kind()).entries.size();
    for (std::size_t index = 0; index < count; ++index)
        if (methods.ifmade(values, members, index) != nullptr) return false;
    return true;
}

variable* machine::copyoutofline(variable* value) { return getcopy(value); }

variable* machine::copywithmore(variable* value) {
    if (copiesalone(*value)) {
        variable* copy = values.make();
        assigncopy(*copy, *value);
        return copy;
    }
    copier copies(*this);
    return copies.copy(value);
}

variable* machine::getpointer(variable* value) {
    variable* pointer = values.make();
    pointer->identifier = vtype::builtin_pntr;
    attachmethods(*pointer, methodkind::pntr);
    pointer->setpntrval(value);
    return pointer;
}

void machine::assign(variable& target, const variable& source) {
    if (&target == &source) return;
    beforeassign(target, source);
    target = source;
    if (&target == progroot) rootanswers.clear();
}

void machine::assigncopy(variable& target, const variable& source) {
    if (!source.attributes.islazy()) return assign(target, source);
    methodkind kind = source.attributes.kind();
    if (&target != &source) {
        beforeassign(target, source);
        target.assignbutmembers(source);
    }
    givefreshnote(target, kind);
    if (&target == progroot) rootanswers.clear();
}

void machine::beforeassign(variable& target, const variable& source) {
    if (source.more) values.notebytes(source.more->listval.size() * sizeof(variable*));
    beforelistchange(target);
    gc.changed(target);
}

variable* machine::findnotedmethod(variable& owner, vname name) {
    const memberset& members = owner.attributes;
    int index = methods.of(members.kind()).find(name);
    if (index < 0) return nullptr;
    auto at = static_cast<std::size_t>(index);
    if (!members.holdsnotealone()) return methods.materialize(values, members, at);
    if (variable* made = methods.ifmade(values, members, at)) return made;
    // The owner is the note's only holder: as if it were given the method, it passes the barrier.
    gc.changed(owner);
    return methods.materialize(values, members, at, true);
}

variable* machine::findmember(variable& owner, vname name) {
    const memberset& members = owner.attributes;
    if (members.islazy()) return findnotedmethod(owner, name);
    if (const membermap* plain = members.plain()) {
        auto found = plain->find(name);
        if (found != plain->end()) return found->second;
    }
    return nullptr;
}

variable* machine::findrootmember(vname name) {
    // A note of built-in methods (the root assigned a string, say) is looked up as it stands.
    if (progroot->attributes.islazy()) return findmember(*progroot, name);
    variable* member = nullptr;
    if (rootanswers.find(name, member)) return member;
    member = findmember(*progroot, name);
    rootanswers.store(name, member);
    return member;
}

void machine::setmember(variable& owner, vname name, variable* value) {
    gc.changed(owner);
    if (owner.attributes.islazy()) methods.makeplain(values, owner.attributes);
    owner.attributes.plainforwriting()[name] = value;
    if (&owner == progroot) rootanswers.store(name, value);
}

}  // namespace V4VM
