#pragma once

#include <absl/container/flat_hash_map.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vm/value.hpp"

namespace V4VM {

// Where the machine's values live: every heap value is made here, numbered in creation order, and
// freed here when the collector finds it unreachable.
class heap {
public:
    heap() = default;
    heap(const heap&) = delete;
    heap& operator=(const heap&) = delete;
    ~heap();

    // A fresh value (type none) with the next serial.
    variable* make();
    // A fresh value with a serial reserved earlier by reserve().
    variable* makewithserial(std::uint64_t serial);
    // Reserves `count` serials and returns the first; values made later in the same order get them.
    std::uint64_t reserve(std::uint64_t count);

    // Counts payload bytes (texts, list and dictionary entries) toward the collector's pacing.
    void notebytes(std::size_t count) { bytessince += count; }

    std::uint64_t serials() const { return lastserial; }
    std::size_t bytessincecollection() const { return bytessince; }
    std::size_t madesincecollection() const { return madesince; }
    std::size_t livecount() const { return live; }

    // Built-in methods made on first use, by their reserved serial (see members.hpp).
    absl::flat_hash_map<std::uint64_t, variable*> lazymethods;

    // Frees every value for which dead(value) is true and restarts the pacing counters; returns the
    // number of values kept.
    template <typename predicate>
    std::size_t sweep(predicate&& dead);

    // Calls visit(value) for every value not yet freed.
    template <typename visitor>
    void foreachvalue(visitor&& visit);

private:
    void* allocate();
    void free(variable* value);

    std::uint64_t lastserial = 0;
    std::size_t bytessince = 0;
    std::size_t madesince = 0;
    std::size_t live = 0;

#if defined(VESK_SANITIZE)
    // Every value from the system allocator, so that the sanitizer sees each one; a registry finds them.
    std::vector<variable*> registry;
#else
    // Values are all of one size: they are cut from chunks, a freed one is kept on a list and reused
    // first, and the collector walks the chunks. A free cell's first byte (where a value keeps its
    // identifier) is `freetag`, and its link to the next free cell follows.
    static constexpr unsigned char freetag = 0xff;
    static constexpr std::size_t cellsperchunk = 1024;
    struct freecell {
        unsigned char tag;
        freecell* next;
    };
    static_assert(sizeof(freecell) <= sizeof(variable));
    static bool isfree(const void* cell) { return *static_cast<const unsigned char*>(cell) == freetag; }
    freecell* freelist = nullptr;
    std::vector<char*> chunks;
#endif
};

template <typename visitor>
void heap::foreachvalue(visitor&& visit) {
#if defined(VESK_SANITIZE)
    for (variable* value : registry) visit(value);
#else
    for (char* chunk : chunks)
        for (std::size_t at = 0; at < cellsperchunk; ++at) {
            char* cell = chunk + at * sizeof(variable);
            if (!isfree(cell)) visit(reinterpret_cast<variable*>(cell));
        }
#endif
}

template <typename predicate>
std::size_t heap::sweep(predicate&& dead) {
#if defined(VESK_SANITIZE)
    std::size_t kept = 0;
    for (variable* value : registry) {
        if (dead(value)) {
            free(value);
            continue;
        }
        registry[kept++] = value;
    }
    registry.resize(kept);
#else
    foreachvalue([&](variable* value) {
        if (dead(value)) free(value);
    });
#endif
    bytessince = 0;
    madesince = 0;
    return live;
}

}  // namespace V4VM
