#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vm/heap.hpp"
#include "vm/value.hpp"

namespace V4VM {

class machine;
class scope;

// Frees the heap values a program can no longer reach, by marking from the machine's roots and sweeping.
//
// Most values die young, and long-lived data would cost the same marking at every collection; so
// collections are generational. A value that survives one is old. A minor collection marks and
// sweeps only the young values: it stops at old values, and finds the young values old ones hold
// through the remembered set, the old values changed since the last collection (every change that
// may give an old value a young one to hold passes a write barrier first). A list remembers how many
// of its leading elements were found old, so that appending to a long old list costs the new
// elements alone. A full collection, when the old values have grown by half since the last one,
// marks and sweeps everything.
class collector {
public:
    explicit collector(heap& values) : values(values) { setlimits(0); }

    // Collects, the young values or all, when the heap's pacing says one is due: only between
    // instructions, when no value may be held by a C++ local alone.
    void collectdue(machine& vm);
    // A full collection.
    void collect(machine& vm);

    // A collection is due once this many values were made since the last one (and at least as many
    // as it had to look at in its roots and remembered values, so that its cost per value made stays
    // bounded), or once `minimumbytes` payload bytes were allocated. 0 collects before every instruction.
    void setthreshold(std::size_t minimum) {
        threshold = minimum;
        setlimits(0);
    }
    // At most `bytes` of live data (0: no limit): the machine collects before the heap could pass it,
    // and a full collection that leaves more live ends the run as out of memory (std::bad_alloc).
    void setcap(std::size_t bytes) {
        cap = bytes;
        setlimits(0);
    }
    static constexpr std::size_t defaultthreshold = 10000;
    static constexpr std::size_t minimumbytes = std::size_t{4} << 20;

    // Write barriers, called before a change that may give `holder` values it did not hold: a
    // member, a receiver, a dictionary entry, another value's fields ...
    void changed(variable& holder) {
        if (holder.old && !holder.remembered) remember(holder);
    }
    // ... or elements of a list, from position `first` on. (The holder rather than the values it is
    // given: what is stored in place of something else is mostly dead by the next collection.)
    void listchanged(variable& list, std::size_t first);

private:
    void collectyoung(machine& vm);
    void remember(variable& value);
    bool fulldue(const machine& vm) const;
    void setlimits(std::size_t rootwork);

    heap& values;
    std::size_t threshold = defaultthreshold;
    std::size_t cap = 0;
    // The old values after the last full collection, and the live bytes it found; the bytes of the
    // old values since, as the minor collections that made them old counted them.
    std::size_t fullcount = 0;
    std::size_t fullbytes = 0;
    std::size_t oldbytes = 0;
    std::uint32_t epoch = 0;
    // A string buffer that many values share is live data once: each is counted in the first collection
    // that finds it after a full one, into the full collection's bytes or the old values' (0 is the
    // round of buffers never counted).
    std::uint32_t countround = 1;
    std::vector<variable*> pending;
    std::vector<variable*> remembered;
};

}  // namespace V4VM
