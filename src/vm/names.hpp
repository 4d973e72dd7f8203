#pragma once

#include <absl/container/node_hash_map.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "vm/text.hpp"

namespace V4VM {

// An interned text and its place in the order of interning (from 1; the default name's is 0), which
// lets a small table keyed by names spread them by a number every run of a program gives the same,
// where their addresses would fall as the allocator places them.
using internedtext = std::pair<const std::string, std::uint32_t>;
extern const internedtext unnamedtext;  // "Unnamed Variable"

// A name as values, scopes and member maps hold it: one interned text, so that storing, copying and
// comparing a name never touches its characters. Texts are interned by the machine that runs the
// program and live as long as it.
class vname {
public:
    vname() : entry(&unnamedtext) {}
    explicit vname(const internedtext* interned) : entry(interned) {}
    const std::string& str() const { return entry->first; }
    const std::string* key() const { return &entry->first; }
    std::uint32_t order() const { return entry->second; }
    const internedtext* interned() const { return entry; }
    friend bool operator==(vname a, vname b) { return a.entry == b.entry; }
    friend bool operator==(vname a, std::string_view b) { return a.entry->first == b; }

private:
    const internedtext* entry;
};

// Members are listed in the order of their names' texts, as every copy and listing shows them.
struct bytext {
    bool operator()(vname a, vname b) const { return a.key() != b.key() && a.str() < b.str(); }
};

class nametable {
public:
    vname intern(std::string_view text);
    // The name of a string value's bytes. A program names members by string constants, each use a copy
    // that shares the constant's buffer: a small table by buffer answers those without hashing the
    // bytes. It keeps each buffer it holds alive, so that no other text can come to stand at its address.
    // Two ways to a set, the last used first: with one, two constants a loop uses in turn would
    // displace each other whenever the allocator put their buffers in the same slot.
    vname intern(const text& bytes) {
        if (bytes.empty()) return intern(std::string_view());
        auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(bytes.bufferaddress()));
        recentname* set = &recentnames[(address >> 4) * 0x9e3779b97f4a7c15ULL >> (64 - recentsetbits) << 1];
        if (set[0].bytes.sharesbytes(bytes)) return set[0].name;
        if (!set[1].bytes.sharesbytes(bytes)) set[1] = {bytes, intern(bytes.view())};
        std::swap(set[0], set[1]);
        return set[0].name;
    }

private:
    struct recentname {
        text bytes;
        vname name;
    };
    static constexpr int recentsetbits = 6;
    std::array<recentname, std::size_t{2} << recentsetbits> recentnames{};

    // Node-based, so that an interned text never moves; looked up by a view, with no text made.
    absl::node_hash_map<std::string, std::uint32_t> texts;
};

}  // namespace V4VM
