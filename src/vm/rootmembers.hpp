#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "vm/names.hpp"

namespace V4VM {

class variable;

// Answers for the program root's members by name. Every lookup of a local name asks the program root
// first, and its member map is a hash table; a small direct-mapped table in front of it answers most of
// them with one comparison, absent members included. The machine keeps it in step with every change
// of the program root's members.
class rootmembers {
public:
    // Whether `name` is known, and then its member (null: none).
    bool find(vname name, variable*& member) const {
        const entry& at = entries[slot(name)];
        if (at.key != name.key()) return false;
        member = at.member;
        return true;
    }
    void store(vname name, variable* member) { entries[slot(name)] = {name.key(), member}; }
    void clear() { entries.fill({}); }

private:
    struct entry {
        const void* key = nullptr;
        variable* member = nullptr;
    };
    static constexpr std::size_t size = 256;
    // By the order of interning: every run of a program spreads its names alike, and the first 256
    // names each have a slot of their own.
    static std::size_t slot(vname name) { return name.order() % size; }
    std::array<entry, size> entries{};
};

}  // namespace V4VM
