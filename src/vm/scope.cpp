#include "vm/scope.hpp"

#include <new>

namespace V4VM {

namespace {

std::uint32_t priorityof(std::uint32_t key) {
    auto bits = std::uint64_t{key} * 0x9e3779b97f4a7c15ULL;
    bits ^= bits >> 33;
    bits *= 0xff51afd7ed558ccdULL;
    bits ^= bits >> 33;
    return static_cast<std::uint32_t>(bits >> 33);  // 31 bits, as a node keeps it
}

bool before(std::uint32_t a, std::uint32_t b) { return a < b; }

}  // namespace

// Scopes are written at almost every store, call and loop pass, each write making a node or an array
// and dropping as many, so these are recycled through free lists instead of the general allocator.
// The lists hold only memory, never anything a program can see.
template <typename cell>
class recycler {
    union slot {
        cell value;
        slot* next;
        slot() {}
    };
    static slot*& freelist() {
        thread_local slot* slots = nullptr;
        return slots;
    }

public:
    static cell* make(const cell& from) {
        slot*& slots = freelist();
        slot* place = slots;
        if (place == nullptr)
            place = new slot;
        else
            slots = place->next;
        return new (&place->value) cell(from);
    }
    static void recycle(cell* used) {
        auto* place = reinterpret_cast<slot*>(used);
#if defined(VESK_SANITIZE)
        delete place;  // the sanitizer sees every cell
#else
        place->next = freelist();
        freelist() = place;
#endif
    }
};

struct scope::nodecache : recycler<scope::node> {};
struct scope::writescache : recycler<scope::recentwrites> {};

void scope::recycle(recentwrites* writes) { writescache::recycle(writes); }

void scope::destroy(node* at) {
    // Iterative along one child, so that freeing a long chain cannot exhaust the stack.
    while (at != nullptr) {
        node* next = at->right;
        release(at->left);
        nodecache::recycle(at);
        at = next != nullptr && --next->refs == 0 ? next : nullptr;
    }
}

variable* scope::find(vname name) const {
    std::uint32_t key = name.order();
    if (recent)
        for (std::uint32_t at = 0; at < recent->count; ++at)
            if (recent->entries[at].key == key) return recent->entries[at].value;
    for (const node* at = root; at != nullptr; at = before(key, at->key) ? at->left : at->right)
        if (at->key == key) return at->value;
    return nullptr;
}

void scope::set(vname name, variable* value) {
    std::uint32_t key = name.order();
    if (recent == nullptr) {
        recent = writescache::make(recentwrites{1, 0, {}});
    } else if (recent->refs > 1) {
        recentwrites* mine = writescache::make(*recent);
        mine->refs = 1;
        --recent->refs;
        recent = mine;
    }
    for (std::uint32_t at = 0; at < recent->count; ++at)
        if (recent->entries[at].key == key) {
            recent->entries[at].value = value;
            return;
        }
    if (recent->count == recentwrites::capacity) {
        for (const auto& [writtenkey, written] : recent->entries) settree(writtenkey, written);
        recent->count = 0;
    }
    recent->entries[recent->count++] = {key, value};
}

void scope::settree(std::uint32_t key, variable* value) {
    std::uint32_t priority = priorityof(key);

    // Copies the path from the root down to where the key is or belongs. Nodes on the path that only
    // this scope holds are changed in place.
    auto own = [](node*& link) {
        if (link->refs > 1) {
            node* copy = nodecache::make(*link);
            copy->refs = 1;
            if (copy->left) ++copy->left->refs;
            if (copy->right) ++copy->right->refs;
            --link->refs;
            link = copy;
        }
        link->seen = 0;
        return link;
    };

    node** link = &root;
    while (*link != nullptr && (*link)->priority >= priority) {
        node* at = own(*link);
        if (at->key == key) {
            at->value = value;
            return;
        }
        link = before(key, at->key) ? &at->left : &at->right;
    }
    // Absent: every ancestor of a key's node has at least its priority, so the walk above would have
    // met it.
    node* fresh = nodecache::make(node{1, priority, 0, key, value, nullptr, nullptr});
    // Split the subtree at `link` around the key into fresh's two children.
    node* rest = *link;
    node** lessend = &fresh->left;
    node** moreend = &fresh->right;
    while (rest != nullptr) {
        node* at = own(rest);
        if (before(key, at->key)) {
            *moreend = at;
            moreend = &at->left;
            rest = at->left;
        } else {
            *lessend = at;
            lessend = &at->right;
            rest = at->right;
        }
    }
    *lessend = nullptr;
    *moreend = nullptr;
    *link = fresh;
}

}  // namespace V4VM
