#pragma once

#include <cstddef>
#include <cstdint>

#include "vm/names.hpp"

namespace V4VM {

class variable;

// A map from names to values that is persistent: a copy costs O(1) and shares every entry, and a
// write costs at most O(log n) while every other copy keeps what it had. Every call, block and
// SAVESCOPE copies a scope, and a program's root scope may hold thousands of names.
//
// A treap over the names' places in the order of interning, with path copying; nodes are counted
// references. The order of entries is never observable (scopes are only looked up); keyed by that
// number rather than by the texts' addresses, a tree takes the same shape in every run of a program,
// wherever the allocator puts the texts. The latest
// writes wait in a small shared array in front of the treap: a loop body that writes the same few
// names on every pass, in a copy of a scope of thousands, then copies only that array.
//
// Young collections (see collector.hpp) look only at the entries written since the last collection:
// a node is marked seen once a collection has walked its whole subtree, and a write unmarks every
// node it changes or copies.
class scope {
public:
    // How many of the latest writes wait in front of the tree (and may hide as many older entries).
    static constexpr std::uint32_t recentcapacity = 4;

private:
    struct node {
        std::uint32_t refs;
        std::uint32_t priority : 31;
        std::uint32_t seen : 1;
        std::uint32_t key;  // vname::order()
        variable* value;
        node* left;
        node* right;
    };

    // Writes not yet in the treap, the latest for each name; they hide the treap's entries. A young
    // collection walks them all, so their number paces the collector (see collector.hpp): more room
    // would change when a memory cap is met.
    struct recentwrites {
        static constexpr std::uint32_t capacity = recentcapacity;
        std::uint32_t refs;
        std::uint32_t count;
        struct entry {
            std::uint32_t key;
            variable* value;
        } entries[capacity];
    };

public:
    scope() = default;
    scope(const scope& other) : root(other.root), recent(other.recent) {
        if (root) ++root->refs;
        if (recent) ++recent->refs;
    }
    scope(scope&& other) noexcept : root(other.root), recent(other.recent) {
        other.root = nullptr;
        other.recent = nullptr;
    }
    scope& operator=(const scope& other) {
        if (root == other.root && recent == other.recent) return *this;  // shares everything already
        scope copy(other);
        return *this = std::move(copy);
    }
    scope& operator=(scope&& other) noexcept {
        if (this != &other) {
            node* oldroot = root;
            recentwrites* oldrecent = recent;
            root = other.root;
            recent = other.recent;
            other.root = nullptr;
            other.recent = nullptr;
            release(oldroot);
            release(oldrecent);
        }
        return *this;
    }
    ~scope() {
        release(root);
        release(recent);
    }

    variable* find(vname name) const;  // null when absent
    void set(vname name, variable* value);
    bool empty() const { return root == nullptr && (recent == nullptr || recent->count == 0); }

    // Calls visit(value) for every entry (and for the few a recent write hides).
    template <typename visitor>
    void foreachvalue(visitor&& visit) const {
        visitrecent(visit);
        walk(root, visit);
    }
    // The same for a collection, which marks every node it walks seen: all of them, or for a young
    // collection only those not seen yet (the entries written since the last collection, and more).
    template <typename visitor>
    void walkforcollection(visitor&& visit, bool unseenonly) const {
        visitrecent(visit);
        walkmarking(root, visit, unseenonly);
    }

private:
    struct nodecache;
    struct writescache;
    template <typename visitor>
    void visitrecent(visitor& visit) const {
        if (recent)
            for (std::uint32_t at = 0; at < recent->count; ++at) visit(recent->entries[at].value);
    }
    template <typename visitor>
    static void walk(const node* at, visitor& visit);
    template <typename visitor>
    static void walkmarking(node* at, visitor& visit, bool unseenonly);
    static void release(node* at) {
        if (at != nullptr && --at->refs == 0) destroy(at);
    }
    static void release(recentwrites* writes) {
        if (writes != nullptr && --writes->refs == 0) recycle(writes);
    }
    static void recycle(recentwrites* writes);
    static void destroy(node* at);
    void settree(std::uint32_t key, variable* value);

    node* root = nullptr;
    recentwrites* recent = nullptr;
};



template <typename visitor>
void scope::walk(const node* at, visitor& visit) {
    // Iterative on the right spine; the depth of a treap is logarithmic in expectation.
    while (at != nullptr) {
        visit(at->value);
        walk(at->left, visit);
        at = at->right;
    }
}

template <typename visitor>
void scope::walkmarking(node* at, visitor& visit, bool unseenonly) {
    node* spine = at;
    while (at != nullptr && !(unseenonly && at->seen)) {
        visit(at->value);
        walkmarking(at->left, visit, unseenonly);
        at = at->right;
    }
    // Only now is every subtree along the spine walked: a failure above leaves nothing marked.
    for (; spine != at; spine = spine->right) spine->seen = 1;
}

}  // namespace V4VM
