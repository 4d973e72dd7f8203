#include "vm/collector.hpp"

#include <algorithm>
#include <new>

#include "vm/machine.hpp"

namespace V4VM {

namespace {

// Marked values are those whose mark is the current epoch, so no pass clears marks, and a value outside
// the registry that a root happens to reach cannot keep a stale mark. A minor collection stops at old
// values: whatever young values they hold, the remembered set leads to.
class marker {
public:
    marker(machine& vm, std::uint32_t epoch, std::uint32_t round, bool youngonly, std::vector<variable*>& pending)
        : vm(vm), epoch(epoch), round(round), youngonly(youngonly), pending(pending) {}

    void reach(variable* value) {
        ++reached;
        if (value == nullptr || value->collectionmark == epoch || (youngonly && value->old)) return;
        value->collectionmark = epoch;
        // Numbers and plain strings lead nowhere: counted here rather than queued.
        if (value->self == nullptr && value->attributes.empty() && value->pntrval() == nullptr && !value->more)
            livebytes += sizeof(variable) + value->stringval.payloadbytes(round);
        else
            pending.push_back(value);
    }
    void reach(const scope& names) {
        // What a young collection skips there is old.
        names.walkforcollection([this](variable* value) { reach(value); }, youngonly);
    }
    void reach(const std::vector<variable*>& values, std::size_t first = 0) {
        // Long lists of numbers are the common large structure, and each element is a cache miss:
        // the elements a few places ahead are fetched while the current one is marked.
        constexpr std::size_t ahead = 8;
        for (std::size_t at = first; at < values.size(); ++at) {
            if (at + ahead < values.size()) __builtin_prefetch(values[at + ahead]);
            reach(values[at]);
        }
    }
    // Elements looked at once, not at every collection (a pinned snapshot, a list's new elements): not
    // counted as the work of the roots.
    void reachonce(const std::vector<variable*>& values, std::size_t first = 0) {
        std::size_t before = reached;
        reach(values, first);
        reached = before;
    }
    // What an old value changed since the last collection may hold that is young: a list's elements
    // only after those found old then.
    void reachchanged(variable& value) {
        std::size_t first = value.more ? std::min(value.more->oldelements.count, value.more->listval.size()) : 0;
        if (value.more) livebytes += (value.more->listval.size() - first) * sizeof(variable*);
        reachheld(value, first);
    }
    // Iterative: structures may be nested far deeper than the C++ stack could follow.
    void drain() {
        while (!pending.empty()) {
            variable* value = pending.back();
            pending.pop_back();
            livebytes += sizeof(variable) + value->stringval.payloadbytes(round);
            if (const membermap* members = value->attributes.plain())
                livebytes += members->capacity() * sizeof(membermap::value_type);
            if (value->more)
                livebytes += value->more->listval.capacity() * sizeof(variable*) +
                             value->more->dictval.size() * 3 * sizeof(variable*);
            reachheld(*value, 0);
        }
    }

    std::size_t livebytes = 0;
    std::size_t reached = 0;  // values looked at

private:
    // What a value holds, a list's elements from `firstelement` on.
    void reachheld(variable& value, std::size_t firstelement) {
        vm.foreachmademember(value, [this](variable* member) { reach(member); });
        reach(value.self);
        reach(value.pntrval());
        if (value.more) {
            for (const auto& [key, element] : value.more->dictval) {
                reach(key);
                reach(element);
            }
            if (firstelement == 0)
                reach(value.more->listval);
            else
                reachonce(value.more->listval, firstelement);
            value.more->oldelements.count = value.more->listval.size();
        }
    }

    machine& vm;
    std::uint32_t epoch;
    std::uint32_t round;
    bool youngonly;
    std::vector<variable*>& pending;  // the collector's, kept between collections with its room
};

void markroots(machine& vm, bool youngonly, marker& marks) {
    marks.reach(vm.datastack);
    marks.reach(vm.callstack);
    for (const scope& names : vm.databasestack) marks.reach(names);
    marks.reach(vm.lastdeldatabase);
    for (const auto& [name, value] : vm.globalvars) marks.reach(value);
    marks.reach(vm.calltrace);
    marks.reach(vm.memory);
    if (vm.savlvar) marks.reach(*vm.savlvar);
    marks.reach(vm.progroot);
    for (continuation& waiting : vm.pending) {
        if (waiting.what == continuation::kind::construct) {
            marks.reach(waiting.instance);
            continue;
        }
        marks.reach(waiting.block);
        marks.reach(waiting.names);
        if (waiting.what != continuation::kind::forloop) continue;
        marks.reach(waiting.collection);
        if (waiting.inplace) continue;  // the collection holds them
        // A snapshot never changes: once a young collection has made its elements old, later ones
        // skip it.
        if (!(youngonly && waiting.elementsold)) marks.reachonce(waiting.elements);
        waiting.elementsold = true;
    }
}

// A freed value's host data goes to the library's release hook first, which may keep it. Out of line,
// so that the sweep's loop stays as short as it is for the values without host data.
[[gnu::noinline]] void releasehostdata(machine& vm, variable& value) {
    if (value.more->host && vm.library) vm.library->release(value.more->host);
}

}  // namespace

void collector::setlimits(std::size_t rootwork) {
    std::size_t madelimit = threshold == 0 ? 0 : std::max(threshold, rootwork);
    std::size_t byteslimit = threshold == 0 ? 0 : minimumbytes;
    if (cap != 0) byteslimit = std::min(byteslimit, cap > oldbytes ? cap - oldbytes : 0);
    values.setpacing(madelimit, byteslimit);
}

void collector::remember(variable& value) {
    remembered.push_back(&value);  // first: a failure leaves the value as it was
    value.remembered = true;
}

void collector::listchanged(variable& list, std::size_t first) {
    changed(list);
    if (list.old && list.more) list.more->oldelements.count = std::min(list.more->oldelements.count, first);
}

bool collector::fulldue(const machine& vm) const {
    std::size_t oldcount = vm.values.livecount() - vm.values.madesincecollection();
    if (oldcount > fullcount + std::max(threshold, fullcount / 2)) return true;
    if (oldbytes > fullbytes + std::max(threshold == 0 ? 0 : minimumbytes, fullbytes / 2)) return true;
    return cap != 0 && oldbytes + vm.values.bytessincecollection() > cap;
}

void collector::collectdue(machine& vm) {
    if (fulldue(vm))
        collect(vm);
    else
        collectyoung(vm);
}

void collector::collectyoung(machine& vm) {
    if (++epoch == 0) epoch = 1;  // 0 is the mark of values never reached
    marker marks(vm, epoch, countround, true, pending);
    markroots(vm, true, marks);
    for (variable* value : remembered) {
        value->remembered = false;
        marks.reachchanged(*value);
    }
    remembered.clear();
    std::size_t rootwork = marks.reached;
    // A built-in method made on first use through a shared note is held by owners no write changed:
    // kept until a full collection finds whether one still holds it.
    for (variable* method : vm.values.youngmethods()) marks.reach(method);
    marks.drain();

    vm.values.sweepyoung([&](variable* value) {
        if (value->collectionmark == epoch) return false;
        if (value->more) releasehostdata(vm, *value);
        return true;
    });
    oldbytes += marks.livebytes;
    if (cap != 0 && oldbytes > cap) return collect(vm);
    setlimits(rootwork);
}

void collector::collect(machine& vm) {
    if (++epoch == 0) epoch = 1;
    if (++countround == 0) countround = 1;
    for (variable* value : remembered) value->remembered = false;
    remembered.clear();
    marker marks(vm, epoch, countround, false, pending);
    markroots(vm, false, marks);
    marks.drain();

    fullcount = vm.values.sweep([&](variable* value) {
        if (value->collectionmark == epoch) return false;
        if (value->more) releasehostdata(vm, *value);
        return true;
    });
    fullbytes = oldbytes = marks.livebytes;
    if (cap != 0 && fullbytes > cap) throw std::bad_alloc();
    setlimits(0);  // what the roots cost a young collection, the next one finds
}

}  // namespace V4VM
