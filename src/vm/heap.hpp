#pragma once

#include <absl/container/flat_hash_map.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "common/interrupts.hpp"
#include "vm/value.hpp"

namespace V4VM {

// Where the machine's values live: every heap value is made here, numbered in creation order, and
// freed here when the collector finds it unreachable. Values made since the last collection are young
// and listed apart, so that a collection of the young alone (see collector.hpp) visits only them.
class heap {
public:
    heap() = default;
    heap(const heap&) = delete;
    heap& operator=(const heap&) = delete;
    ~heap();

    // A fresh value (type none) with the next serial.
    variable* make() { return makewithserial(++lastserial); }
    // A fresh value with a serial reserved earlier by reserve().
    variable* makewithserial(std::uint64_t serial) {
        auto* value = new (allocate()) variable();
        value->serial = serial;
        young.push_back(value);  // allocate() made room
        ++live;
        ++madesince;
        bytessince += sizeof(variable);
        notepacing();
        return value;
    }
    // A built-in method made on first use, with the serial its owner's note reserved for it. Its
    // owner holds it through the note, which no write changed: unless `keepuntilfull` is false (the
    // note has one owner, which a young collection walks or which passed the write barrier), young
    // collections keep it until a full one finds whether an owner still holds it.
    variable* makelazymethod(std::uint64_t serial, bool keepuntilfull);
    // Reserves `count` serials and returns the first; values made later in the same order get them.
    std::uint64_t reserve(std::uint64_t count) {
        std::uint64_t first = lastserial + 1;
        lastserial += count;
        return first;
    }

    // Counts payload bytes (texts, list and dictionary entries) toward the collector's pacing.
    void notebytes(std::size_t count) {
        bytessince += count;
        notepacing();
    }
    // A collection is due once `made` values or `bytes` payload bytes were made since the last one
    // (the collector's limits; 0 makes one due before every instruction). Kept as one flag, which the
    // interpreter loop reads before every instruction; a caught signal raises it too (interruptflag()),
    // so that the loop learns of the signal where it learns of a collection.
    void setpacing(std::size_t made, std::size_t bytes) {
        madelimit = made;
        byteslimit = bytes;
        checkpacing();
    }
    bool collectiondue() const { return due.load(std::memory_order_relaxed); }
    std::atomic<bool>& interruptflag() { return due; }

    std::uint64_t serials() const { return lastserial; }
    std::size_t bytessincecollection() const { return bytessince; }
    std::size_t madesincecollection() const { return madesince; }
    std::size_t livecount() const { return live; }

    // Built-in methods made on first use, by their reserved serial (see members.hpp).
    absl::flat_hash_map<std::uint64_t, variable*> lazymethods;

    // Frees every value for which dead(value) is true, makes the others old and restarts the pacing
    // counters; returns the number of values kept. sweepyoung() looks at the young values alone.
    template <typename predicate>
    std::size_t sweep(predicate&& dead);
    template <typename predicate>
    std::size_t sweepyoung(predicate&& dead);
    const std::vector<variable*>& youngmethods() const { return youngmethodvalues; }

    // Calls visit(value) for every value not yet freed.
    template <typename visitor>
    void foreachvalue(visitor&& visit);

private:
    // Room for a value, and for listing it as young, so that listing it cannot fail once it exists.
    void* allocate() {
        if (young.size() == young.capacity()) young.reserve(young.capacity() * 2 + 1024);
#if defined(VESK_SANITIZE)
        return ::operator new(sizeof(variable));
#else
        if (freelist == nullptr) addchunk();
        freecell* cell = freelist;
        freelist = cell->next;
        return cell;
#endif
    }
    // Most dead values own nothing apart from their fields (numbers, functions, objects without
    // members): such a value needs no destroying, only its cell back.
    void free(variable* value) {
        if (value->lazymethod)
            lazymethods.erase(value->serial);
        else if (value->ownsnothing())
            return givecellback(value);
        value->~variable();
        givecellback(value);
    }
    void givecellback(void* cell) {
        --live;
#if defined(VESK_SANITIZE)
        ::operator delete(cell);
#else
        freelist = new (cell) freecell{freetag, freelist};
#endif
    }
    void restartpacing();
    bool pacingreached() const { return madesince >= madelimit || bytessince >= byteslimit; }
    // As values are made the counters only grow: the flag is only ever raised, never lowered, so that
    // it cannot drop the signal handler's raising of it.
    void notepacing() {
        if (pacingreached()) due.store(true, std::memory_order_relaxed);
    }
    // With new limits or restarted counters the flag may fall. The signal handler notes the signal
    // before it raises the flag: the note is read after the store, so that however the two interleave
    // the flag ends up raised.
    void checkpacing() {
        due.store(pacingreached(), std::memory_order_relaxed);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        if (pendinginterrupt() != 0) due.store(true, std::memory_order_relaxed);
    }

    std::uint64_t lastserial = 0;
    std::size_t bytessince = 0;
    std::size_t madesince = 0;
    std::size_t madelimit = 0;
    std::size_t byteslimit = 0;
    std::atomic<bool> due{true};
    std::size_t live = 0;
    std::vector<variable*> young;
    std::vector<variable*> youngmethodvalues;  // the young values made by makelazymethod()

#if defined(VESK_SANITIZE)
    // Every value from the system allocator, so that the sanitizer sees each one; a registry finds the
    // old ones, the young list the others.
    std::vector<variable*> registry;
    // Room for the young values too; grown by doubling, since an exact reserve at each collection
    // would copy the whole registry every time.
    void makeroominregistry() {
        std::size_t needed = registry.size() + young.size();
        if (needed > registry.capacity()) registry.reserve(std::max(needed, 2 * registry.capacity()));
    }
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
    void addchunk();
    freecell* freelist = nullptr;
    std::vector<char*> chunks;
#endif
};

template <typename visitor>
void heap::foreachvalue(visitor&& visit) {
#if defined(VESK_SANITIZE)
    for (variable* value : registry) visit(value);
    for (variable* value : young) visit(value);
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
    makeroominregistry();  // room first: the sweep itself cannot fail
    for (variable* value : young) registry.push_back(value);
    young.clear();
    std::size_t kept = 0;
    for (variable* value : registry) {
        if (dead(value)) {
            free(value);
            continue;
        }
        value->old = true;
        registry[kept++] = value;
    }
    registry.resize(kept);
#else
    foreachvalue([&](variable* value) {
        if (dead(value))
            free(value);
        else
            value->old = true;
    });
    young.clear();
#endif
    restartpacing();
    return live;
}

template <typename predicate>
std::size_t heap::sweepyoung(predicate&& dead) {
#if defined(VESK_SANITIZE)
    makeroominregistry();
#endif
    for (variable* value : young) {
        if (dead(value)) {
            free(value);
            continue;
        }
        value->old = true;
#if defined(VESK_SANITIZE)
        registry.push_back(value);
#endif
    }
    young.clear();
    restartpacing();
    return live;
}

}  // namespace V4VM
