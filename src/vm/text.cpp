#include "vm/text.hpp"

#include <cstdlib>
#include <cstring>
#include <new>

namespace V4VM {

text::shared* text::allocate(std::size_t capacity) {
    void* memory = std::malloc(sizeof(shared) + capacity);
    if (memory == nullptr) throw std::bad_alloc();
    return new (memory) shared{1, 0, 0, capacity};
}

text::text(std::string_view bytes) {
    if (bytes.empty()) return;
    buffer = allocate(bytes.size());
    std::memcpy(buffer->bytes(), bytes.data(), bytes.size());
    buffer->used = length = bytes.size();
}

text text::append(std::string_view more) const {
    if (more.empty()) return *this;
    text result;
    std::size_t total = length + more.size();
    if (buffer && buffer->used == length && buffer->capacity >= total) {
        share(buffer);
        result.buffer = buffer;
    } else {
        // Room to grow: a text built by repeated concatenation is copied a logarithmic number of times.
        result.buffer = allocate(total + total / 2);
        if (length) std::memcpy(result.buffer->bytes(), buffer->bytes(), length);
    }
    std::memcpy(result.buffer->bytes() + length, more.data(), more.size());
    result.buffer->used = result.length = total;
    return result;
}


}  // namespace V4VM
