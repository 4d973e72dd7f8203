#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "vm/heap.hpp"
#include "vm/members.hpp"
#include "vm/names.hpp"
#include "vm/value.hpp"

namespace V4VM {

// The built-in methods of one kind of value, shared by every value of that kind.
struct methodtable {
    struct entry {
        vname name;
        mfuncptr native;
        vtype shape;  // custom_func or builtin_module: the two shapes of a native function value
    };
    std::vector<entry> entries;                // in the order a fresh value attaches them
    std::vector<std::uint8_t> keyposition;     // each entry's place in the order of the names
    std::vector<std::uint8_t> inkeyorder;      // the entries' indices in the order of the names

    // The serial reserved for entry `index` of a value whose note is `members`.
    std::uint64_t serialof(const memberset& members, std::size_t index) const;
    // The entry of that name, or -1.
    int find(vname name) const;
};

// One method as the library defines it.
struct methoddef {
    const char* name;
    mfuncptr native;
    vtype shape;
};

// The four tables, filled by the library at start-up, and the making of a method the first time it is
// fetched.
class methodtables {
public:
    // Sets the methods of `kind`, in the order a fresh value attaches them.
    void define(nametable& names, methodkind kind, std::initializer_list<methoddef> methods);

    const methodtable& of(methodkind kind) const { return tables[static_cast<std::size_t>(kind)]; }

    // Gives `target` its kind's methods, reserving their serials now as if they were made now. Inline:
    // every new string, list, dictionary and pointer gets them, as a note.
    void attach(heap& values, variable& target, methodkind kind) const {
        if (target.attributes.empty())
            target.attributes.makelazy(kind, false, values.reserve(of(kind).entries.size()));
        else
            attachbesidemembers(values, target, kind);
    }
    // The method object of entry `index` of the note, made with its reserved serial if not yet made.
    // `ownedalone`: the caller made the one set that holds the note reach a new object the way a
    // write would (see heap::makelazymethod).
    variable* materialize(heap& values, const memberset& members, std::size_t index, bool ownedalone = false) const;
    // That object if it was made already, else null. Inline: most notes say that none was.
    variable* ifmade(heap& values, const memberset& members, std::size_t index) const {
        return members.maybemade(index) ? findmade(values, members, index) : nullptr;
    }
    // Gives `standin` the native and shape of the note's method `name`, which it has.
    void givemethod(variable& standin, const memberset& members, vname name) const;
    // Turns a note into an ordinary map of every method, each made.
    void makeplain(heap& values, memberset& members) const;

private:
    variable* findmade(heap& values, const memberset& members, std::size_t index) const;
    // Not met on the machine's own paths, which attach to fresh values only; kept exact anyway.
    void attachbesidemembers(heap& values, variable& target, methodkind kind) const;

    std::array<methodtable, 4> tables;
};

}  // namespace V4VM
