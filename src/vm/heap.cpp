#include "vm/heap.hpp"

#include <cstdlib>
#include <new>

namespace V4VM {

heap::~heap() {
    std::vector<variable*> remaining;
    foreachvalue([&](variable* value) { remaining.push_back(value); });
    for (variable* value : remaining) value->~variable();
#if defined(VESK_SANITIZE)
    for (variable* value : remaining) ::operator delete(value);
#else
    for (char* chunk : chunks) std::free(chunk);
#endif
}

void* heap::allocate() {
#if defined(VESK_SANITIZE)
    // Room first, so that registering cannot fail once the value exists.
    if (registry.size() == registry.capacity()) registry.reserve(registry.capacity() * 2 + 1024);
    return ::operator new(sizeof(variable));
#else
    if (freelist == nullptr) {
        chunks.reserve(chunks.size() + 1);
        auto* chunk = static_cast<char*>(std::malloc(sizeof(variable) * cellsperchunk));
        if (chunk == nullptr) throw std::bad_alloc();
        chunks.push_back(chunk);
        for (std::size_t at = cellsperchunk; at-- > 0;)
            freelist = new (chunk + at * sizeof(variable)) freecell{freetag, freelist};
    }
    freecell* cell = freelist;
    freelist = cell->next;
    return cell;
#endif
}

void heap::free(variable* value) {
    if (value->lazymethod) lazymethods.erase(value->serial);
    value->~variable();
    --live;
#if defined(VESK_SANITIZE)
    ::operator delete(value);
#else
    freelist = new (value) freecell{freetag, freelist};
#endif
}

variable* heap::make() { return makewithserial(++lastserial); }

variable* heap::makewithserial(std::uint64_t serial) {
    void* memory = allocate();
    auto* value = new (memory) variable();
    value->serial = serial;
#if defined(VESK_SANITIZE)
    registry.push_back(value);
#endif
    ++live;
    ++madesince;
    bytessince += sizeof(variable);
    return value;
}

std::uint64_t heap::reserve(std::uint64_t count) {
    std::uint64_t first = lastserial + 1;
    lastserial += count;
    return first;
}

}  // namespace V4VM
