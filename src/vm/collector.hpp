#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace V4VM {

class machine;
class scope;
class variable;

// Frees the heap values a program can no longer reach (mark and sweep over the heap's registry).
class collector {
public:
    // The machine collects when enough was made since the last collection, only between instructions:
    // no value may then be held by a C++ local alone, except through a keepalive.
    void collect(machine& vm);
    // Whether collection is due after `made` values and `bytes` payload bytes since the last one.
    bool due(std::size_t made, std::size_t bytes) const { return made >= madelimit || bytes >= byteslimit; }

    // Collection is due once this many values, and a third as many as survived the last collection,
    // were made since it, or once a third as many payload bytes were allocated as were live after it
    // (and at least `minimumbytes`): its cost per value or byte made stays bounded, and the heap holds
    // at most about a third more than the live data. 0 collects before every instruction.
    void setthreshold(std::size_t minimum) {
        threshold = minimum;
        setlimits(0, 0);
    }
    // At most `bytes` of live data (0: no limit): the machine collects before the heap could pass it,
    // and a collection that leaves more live ends the run as out of memory (std::bad_alloc).
    void setcap(std::size_t bytes) {
        cap = bytes;
        setlimits(0, 0);
    }
    static constexpr std::size_t defaultthreshold = 10000;
    static constexpr std::size_t minimumbytes = std::size_t{4} << 20;

    struct pinnedroot {
        variable* value = nullptr;
        const scope* names = nullptr;
        const std::vector<variable*>* values = nullptr;
    };
    std::vector<pinnedroot> pinned;

private:
    void setlimits(std::size_t live, std::size_t livebytes);

    std::size_t threshold = defaultthreshold;
    std::size_t madelimit = defaultthreshold;
    std::size_t byteslimit = minimumbytes;
    std::size_t cap = 0;
    std::uint32_t epoch = 0;
    std::vector<variable*> pending;
};

// Keeps values held only by C++ locals alive while an instruction runs nested bodies. The referenced
// object must outlive the guard; guards end in the reverse order of their making.
class keepalive {
public:
    keepalive(machine& vm, variable* value);
    keepalive(machine& vm, const scope& names);
    keepalive(machine& vm, const std::vector<variable*>& values);
    ~keepalive();
    keepalive(const keepalive&) = delete;
    keepalive& operator=(const keepalive&) = delete;

private:
    std::vector<collector::pinnedroot>& pinned;
    std::size_t depth;
};

}  // namespace V4VM
