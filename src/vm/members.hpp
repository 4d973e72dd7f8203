#pragma once

#include <absl/container/flat_hash_map.h>
#include <absl/hash/hash.h>

#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "vm/names.hpp"

namespace V4VM {

class variable;
class machine;

// By the order of interning, not the text's address: a map's probes are then the same in every run.
struct namehash {
    std::size_t operator()(vname name) const { return absl::Hash<std::uint32_t>()(name.order()); }
};
using membermap = absl::flat_hash_map<vname, variable*, namehash>;

// The members in the order of their names' texts, the order in which a copy makes its members.
std::vector<std::pair<vname, variable*>> inorder(const membermap& members);

// The kinds of values that carry built-in methods, each with one table of them (see methodtables.hpp).
enum class methodkind : std::uint8_t { string, list, dict, pntr };

// A value's members. Strings, lists, dictionaries and pointers each carry their kind's built-in
// methods, and most such values are temporaries whose methods are never touched; so a value whose
// members are still exactly its kind's untouched methods holds only a note of which methods they are
// and which creation serials they were given. A method is made the first time it is fetched, with
// its reserved serial, and every value that shares the note finds the same object through the heap
// (as every holder of an assigned member map shares the same method objects). Any other change
// turns the note into an ordinary map first.
class memberset {
    // A map of members shared by the sets copied from one another until one of them changes it: an
    // assignment copies every member of its source, and most copies are never changed, only read or
    // dropped. Nothing can tell a shared map from a copy of it (the order of a map's members is never
    // shown).
    struct shared {
        membermap map;
        std::size_t refs = 1;
    };
    // A note copied to another set: the sets share it, so that a method made through one is marked
    // made for all of them.
    struct sharednote {
        std::uint64_t note;
        std::size_t refs;
    };

public:
    memberset() = default;
    memberset(const memberset& other);
    memberset& operator=(const memberset& other);
    memberset(memberset&& other) noexcept : word(other.word) { other.word = 0; }
    memberset& operator=(memberset&& other) noexcept;
    ~memberset() { clear(); }

    bool empty() const { return word == 0 || (!islazy() && plain()->empty()); }
    bool islazy() const { return (word & (inlinenote | sharednotetag)) != 0; }
    bool isbare() const { return word == 0; }  // no members, nor a map or a note for them
    // A note that no other set shares (one never copied): this set is its only holder.
    bool holdsnotealone() const { return (word & inlinenote) != 0; }

    // The note: kind, whether serials follow the names' order (a copy) or the table's order (a fresh
    // value), and the first reserved serial. Inline: every new string, list, dictionary and pointer,
    // and every copy of one, gets a note.
    void makelazy(methodkind kind, bool bykey, std::uint64_t firstserial) {
        // Past 2^53 serials (years of making values as fast as the machine can) the note has no room
        // left for them: refused as memory would be.
        if (firstserial >> (64 - serialshift) != 0) [[unlikely]] throw std::bad_alloc();
        clear();
        word = firstserial << serialshift | std::uint64_t{bykey} << 3 | static_cast<std::uint64_t>(kind) << 1 | inlinenote;
    }
    methodkind kind() const { return static_cast<methodkind>(note() >> 1 & 3); }
    bool bykey() const { return (note() >> 3 & 1) != 0; }
    std::uint64_t firstserial() const { return note() >> serialshift; }

    // Whether the note's method `index` (of its table's order), or any of them, may have been made.
    // Most notes are a fresh value's own and none of their methods is ever made, and most others had
    // one made, so that the heap's table need not be asked for the rest: the question is asked for
    // every method at every copy and every collection that meets the note.
    bool maybemade(std::size_t index) const { return (note() & madebit << index) != 0; }
    bool maybemade() const { return (note() & madebits) != 0; }
    // Called when the method `index` is made. The marks are not the set's contents, only which
    // questions to the heap can be skipped, so they change on a set taken as const.
    void notemade(std::size_t index) const { noteforwriting() |= madebit << index; }
    // How many methods a kind may have, each with a mark of its own.
    static constexpr std::size_t maxmethods = 7;

    // Ordinary members; only when not lazy. Null when there are none.
    const membermap* plain() const {
        return word == 0 || islazy() ? nullptr : &reinterpret_cast<const shared*>(word)->map;
    }
    // The members to change, this set's own from now on; only when not lazy.
    membermap& plainforwriting();

    void clear() {
        if ((word & inlinenote) != 0)
            word = 0;  // a note of its own holds nothing
        else if (word != 0)
            release();
    }

private:
    void release();

    // The note's word: kind and order in bits 1 to 3, the marks of made methods from bit 4, the
    // first serial above them.
    static constexpr std::uint64_t inlinenote = 1;
    static constexpr std::uint64_t madebit = 1 << 4;
    static constexpr std::uint64_t madebits = ((std::uint64_t{1} << maxmethods) - 1) * madebit;
    static constexpr int serialshift = 4 + maxmethods;
    // Tags a shared note's address (maps and notes are aligned to 8 bytes).
    static constexpr std::uint64_t sharednotetag = 2;
    bool isnoteshared() const { return (word & (inlinenote | sharednotetag)) == sharednotetag; }
    sharednote* sharedone() const { return reinterpret_cast<sharednote*>(word & ~sharednotetag); }
    std::uint64_t& noteforwriting() const { return (word & inlinenote) != 0 ? word : sharedone()->note; }
    std::uint64_t note() const { return noteforwriting(); }

    // One word: 0 for no members, a note with its lowest bit set, the address of a shared note tagged
    // with bit 1, or the address of a map.
    mutable std::uint64_t word = 0;
};

}  // namespace V4VM
