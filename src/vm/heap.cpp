#include "vm/heap.hpp"

#include <cstdlib>
#include <new>

namespace V4VM {

heap::~heap() {
    // Values own no other values, so each is destroyed where it stands.
    foreachvalue([](variable* value) {
        value->~variable();
#if defined(VESK_SANITIZE)
        ::operator delete(value);
#endif
    });
#if !defined(VESK_SANITIZE)
    for (char* chunk : chunks) std::free(chunk);
#endif
}

#if !defined(VESK_SANITIZE)
void heap::addchunk() {
    chunks.reserve(chunks.size() + 1);
    auto* chunk = static_cast<char*>(std::malloc(sizeof(variable) * cellsperchunk));
    if (chunk == nullptr) throw std::bad_alloc();
    chunks.push_back(chunk);
    for (std::size_t at = cellsperchunk; at-- > 0;)
        freelist = new (chunk + at * sizeof(variable)) freecell{freetag, freelist};
}
#endif

variable* heap::makelazymethod(std::uint64_t serial, bool keepuntilfull) {
    if (keepuntilfull && youngmethodvalues.size() == youngmethodvalues.capacity())
        youngmethodvalues.reserve(youngmethodvalues.capacity() * 2 + 16);  // room first, as for values
    variable* made = makewithserial(serial);
    made->lazymethod = true;
    if (keepuntilfull) youngmethodvalues.push_back(made);
    return made;
}

void heap::restartpacing() {
    youngmethodvalues.clear();
    bytessince = 0;
    madesince = 0;
    checkpacing();
}

}  // namespace V4VM
