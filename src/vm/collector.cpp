#include "vm/collector.hpp"

#include <algorithm>
#include <new>

#include "vm/machine.hpp"

namespace V4VM {

namespace {

// Marked values are those whose mark is the current epoch, so no pass clears marks, and a value outside
// the registry that a root happens to reach cannot keep a stale mark.
class marker {
public:
    marker(machine& vm, std::uint32_t epoch, std::vector<variable*>& pending) : vm(vm), epoch(epoch), pending(pending) {}

    void reach(variable* value) {
        if (value == nullptr || value->collectionmark == epoch) return;
        value->collectionmark = epoch;
        // Numbers and plain strings lead nowhere: counted here rather than queued.
        if (value->self == nullptr && value->attributes.empty() && value->pntrval() == nullptr && !value->more)
            livebytes += sizeof(variable) + value->stringval.payloadbytes();
        else
            pending.push_back(value);
    }
    void reach(const scope& names) {
        names.foreachvalue([this](variable* value) { reach(value); });
    }
    void reach(const std::vector<variable*>& values) {
        // Long lists of numbers are the common large structure, and each element is a cache miss:
        // the elements a few places ahead are fetched while the current one is marked.
        constexpr std::size_t ahead = 8;
        for (std::size_t at = 0; at < values.size(); ++at) {
            if (at + ahead < values.size()) __builtin_prefetch(values[at + ahead]);
            reach(values[at]);
        }
    }
    // Iterative: structures may be nested far deeper than the C++ stack could follow.
    void drain() {
        while (!pending.empty()) {
            variable* value = pending.back();
            pending.pop_back();
            livebytes += sizeof(variable) + value->stringval.payloadbytes();
            if (const membermap* members = value->attributes.plain())
                livebytes += members->capacity() * sizeof(membermap::value_type);
            vm.foreachmademember(*value, [this](variable* member) { reach(member); });
            reach(value->self);
            reach(value->pntrval());
            if (value->more) {
                for (const auto& [key, element] : value->more->dictval) {
                    reach(key);
                    reach(element);
                }
                reach(value->more->listval);
                livebytes += value->more->listval.capacity() * sizeof(variable*) +
                             value->more->dictval.size() * 3 * sizeof(variable*);
            }
        }
    }

    std::size_t livebytes = 0;

private:
    machine& vm;
    std::uint32_t epoch;
    std::vector<variable*>& pending;  // the collector's, kept between collections with its room
};

void markroots(machine& vm, const collector& gc, marker& marks) {
    marks.reach(vm.datastack);
    marks.reach(vm.callstack);
    for (const scope& names : vm.databasestack) marks.reach(names);
    marks.reach(vm.lastdeldatabase);
    for (const auto& [name, value] : vm.globalvars) marks.reach(value);
    marks.reach(vm.calltrace);
    marks.reach(vm.memory);
    if (vm.savlvar) marks.reach(*vm.savlvar);
    marks.reach(vm.progroot);
    for (const collector::pinnedroot& root : gc.pinned) {
        marks.reach(root.value);
        if (root.names != nullptr) marks.reach(*root.names);
        if (root.values != nullptr) marks.reach(*root.values);
    }
}

}  // namespace

void collector::setlimits(std::size_t live, std::size_t livebytes) {
    madelimit = threshold == 0 ? 0 : std::max(threshold, live / 3);
    byteslimit = threshold == 0 ? 0 : std::max(minimumbytes, livebytes / 3);
    if (cap != 0) {
        if (livebytes > cap) throw std::bad_alloc();
        byteslimit = std::min(byteslimit, cap - livebytes);
    }
}

void collector::collect(machine& vm) {
    if (++epoch == 0) epoch = 1;  // 0 is the mark of values never reached
    marker marks(vm, epoch, pending);
    markroots(vm, *this, marks);
    marks.drain();

    std::size_t kept = vm.values.sweep([&](variable* value) {
        if (value->collectionmark == epoch) return false;
        if (value->more) vm.files.keepstreamsopen(*value);
        return true;
    });
    setlimits(kept, marks.livebytes);
}

keepalive::keepalive(machine& vm, variable* value) : pinned(vm.gc.pinned), depth(pinned.size()) {
    pinned.push_back({value, nullptr, nullptr});
}

keepalive::keepalive(machine& vm, const scope& names) : pinned(vm.gc.pinned), depth(pinned.size()) {
    pinned.push_back({nullptr, &names, nullptr});
}

keepalive::keepalive(machine& vm, const std::vector<variable*>& values) : pinned(vm.gc.pinned), depth(pinned.size()) {
    pinned.push_back({nullptr, nullptr, &values});
}

keepalive::~keepalive() {
    if (pinned.size() > depth) pinned.resize(depth);
}

}  // namespace V4VM
