#pragma once

#include <cstddef>
#include <cstdint>

#include "vm/names.hpp"

namespace V4VM {

class variable;

// A map from names to values that is persistent: a copy costs O(1) and shares every entry, and a
// write costs O(log n) while every other copy keeps what it had. Every call, block and SAVESCOPE
// copies a scope, and a program's root scope may hold thousands of names.
//
// A treap over the names' addresses with path copying; nodes are counted references. The order of
// entries is never observable (scopes are only looked up), so it may follow addresses.
class scope {
    struct node {
        std::uint32_t refs;
        std::uint32_t priority;
        const void* key;
        variable* value;
        node* left;
        node* right;
    };

public:
    scope() = default;
    scope(const scope& other) : root(other.root) {
        if (root) ++root->refs;
    }
    scope(scope&& other) noexcept : root(other.root) { other.root = nullptr; }
    scope& operator=(const scope& other) {
        if (other.root) ++other.root->refs;
        node* old = root;
        root = other.root;
        release(old);
        return *this;
    }
    scope& operator=(scope&& other) noexcept {
        if (this != &other) {
            node* old = root;
            root = other.root;
            other.root = nullptr;
            release(old);
        }
        return *this;
    }
    ~scope() { release(root); }

    variable* find(vname name) const;  // null when absent
    bool contains(vname name) const { return find(name) != nullptr; }
    void set(vname name, variable* value);
    bool empty() const { return root == nullptr; }

    // Calls visit(value) for every entry.
    template <typename visitor>
    void foreachvalue(visitor&& visit) const {
        walk(root, visit);
    }

private:
    struct nodecache;
    template <typename visitor>
    static void walk(const node* at, visitor& visit);
    static void release(node* at) {
        if (at != nullptr && --at->refs == 0) destroy(at);
    }
    static void destroy(node* at);

    node* root = nullptr;
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

}  // namespace V4VM
