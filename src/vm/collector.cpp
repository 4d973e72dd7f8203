#include "vm/collector.hpp"

#include <algorithm>
#include <memory>

#include "vm/files.hpp"
#include "vm/state.hpp"

namespace V4VM {

namespace {

struct pinnedroot {
    variable* value = nullptr;
    const scope* names = nullptr;
    const std::vector<variable*>* values = nullptr;
};
std::vector<pinnedroot> pinned;

std::size_t threshold = defaultcollectionthreshold;
std::size_t liveaftercollection = 0;
std::uint64_t madeatcollection = 0;
std::uint32_t epoch = 0;

// A file closes when its stream goes; closing flushes, and a program could see the flush through another
// file object or a shell command. So the streams of freed file objects stay open as they would have
// without the collector, until the run ends (closeallfiles) or the machine is reset.
std::vector<std::shared_ptr<filestream>> orphanedstreams;

// Marked values are those whose mark is the current epoch, so no pass clears marks, and a value outside
// the registry that a root happens to reach cannot keep a stale mark.
class marker {
public:
    void reach(variable* value) {
        if (value == nullptr || value->collectionmark == epoch) return;
        value->collectionmark = epoch;
        pending.push_back(value);
    }
    void reach(const scope& names) {
        for (const auto& [name, value] : names) reach(value);
    }
    void reach(const std::vector<variable*>& values) {
        for (variable* value : values) reach(value);
    }
    // Iterative: structures may be nested far deeper than the C++ stack could follow.
    void drain() {
        while (!pending.empty()) {
            variable* value = pending.back();
            pending.pop_back();
            for (const auto& [name, member] : value->attributes) reach(member);
            reach(value->self);
            for (const auto& [key, element] : value->dictval) {
                reach(key);
                reach(element);
            }
            reach(value->listval);
            reach(value->pntrval);
        }
    }

private:
    std::vector<variable*> pending;
};

void markroots(marker& marks) {
    marks.reach(datastack);
    marks.reach(callstack);
    for (const scope& names : databasestack) marks.reach(names);
    marks.reach(lastdeldatabase);
    for (const auto& [name, value] : globalvars) marks.reach(value);
    marks.reach(calltrace);
    marks.reach(memory);
    if (savlvar) marks.reach(*savlvar);
    marks.reach(progroot);
    for (const pinnedroot& root : pinned) {
        marks.reach(root.value);
        if (root.names != nullptr) marks.reach(*root.names);
        if (root.values != nullptr) marks.reach(*root.values);
    }
}

void keepstreamsopen(variable& value) {
    for (auto& [key, stream] : value.moduleparams)
        if (stream && stream.use_count() == 1 && !stream->console && !stream->closed)
            orphanedstreams.push_back(std::move(stream));
}

void sweep() {
    auto& heap = heapvalues();
    std::size_t kept = 0;
    for (std::size_t at = 0; at < heap.size(); ++at) {
        if (heap[at]->collectionmark != epoch) {
            keepstreamsopen(*heap[at]);
            heap[at].reset();
            continue;
        }
        if (kept != at) heap[kept] = std::move(heap[at]);
        ++kept;
    }
    heap.resize(kept);
}

}  // namespace

void collectifdue() {
    std::uint64_t made = allocatedcount() - madeatcollection;
    std::size_t limit = threshold == 0 ? 0 : std::max(threshold, liveaftercollection);
    if (made >= limit) collectgarbage();
}

void collectgarbage() {
    if (++epoch == 0) epoch = 1;  // 0 is the mark of values never reached
    marker marks;
    markroots(marks);
    marks.drain();
    sweep();
    liveaftercollection = heapvalues().size();
    madeatcollection = allocatedcount();
}

void setcollectionthreshold(std::size_t minimum) { threshold = minimum; }

void resetcollector() {
    pinned.clear();
    orphanedstreams.clear();
    liveaftercollection = 0;
    madeatcollection = 0;
}

keepalive::keepalive(variable* value) : depth(pinned.size()) { pinned.push_back({value, nullptr, nullptr}); }

keepalive::keepalive(const scope& names) : depth(pinned.size()) { pinned.push_back({nullptr, &names, nullptr}); }

keepalive::keepalive(const std::vector<variable*>& values) : depth(pinned.size()) {
    pinned.push_back({nullptr, nullptr, &values});
}

keepalive::~keepalive() {
    if (pinned.size() > depth) pinned.resize(depth);
}

}  // namespace V4VM
