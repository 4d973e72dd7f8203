#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

namespace V4VM {

// The bytes of a string value. Strings are copied far more often than they are built (every fetch of
// a string is a copy), so copies share one buffer. A buffer is never changed below the length of any
// text that uses it; a concatenation onto the text that ends at the buffer's used end writes into the
// free space after it, so that building a long string piece by piece costs time in proportion to its
// length, not to its square.
class text {
public:
    text() = default;
    explicit text(std::string_view bytes);
    // Copies share the buffer. Inline: every value holds a text, and most hold none.
    text(const text& other) : buffer(other.buffer), length(other.length) {
        if (buffer) share(buffer);
    }
    text(text&& other) noexcept : buffer(other.buffer), length(other.length) {
        other.buffer = nullptr;
        other.length = 0;
    }
    text& operator=(const text& other) {
        if (other.buffer) share(other.buffer);
        release();
        buffer = other.buffer;
        length = other.length;
        return *this;
    }
    text& operator=(text&& other) noexcept {
        if (this != &other) {
            release();
            buffer = other.buffer;
            length = other.length;
            other.buffer = nullptr;
            other.length = 0;
        }
        return *this;
    }
    ~text() { release(); }

    std::string_view view() const { return buffer ? std::string_view(buffer->bytes(), length) : std::string_view(); }
    std::string str() const { return std::string(view()); }
    std::size_t size() const { return length; }
    bool empty() const { return length == 0; }
    // Whether the two are the same bytes of one buffer: then, since a buffer never changes below the
    // length of a text that uses it, they hold the same bytes for as long as either lives.
    bool sharesbytes(const text& other) const { return buffer == other.buffer && length == other.length; }
    const void* bufferaddress() const { return buffer; }

    // This text followed by `more`.
    text append(std::string_view more) const;

    // Bytes held by the buffer, for a count of live data that reports each buffer once in a `round`
    // however many texts share it: the first text of the round that ends at the buffer's used end
    // reports them (a buffer that only shorter texts hold goes uncounted).
    std::size_t payloadbytes(std::uint32_t round) const {
        if (buffer == nullptr || buffer->used != length || buffer->countedround == round) return 0;
        buffer->countedround = round;
        return sizeof(shared) + buffer->capacity;
    }

private:
    struct shared {
        // 32 bits, to leave room for the round in the same 8 bytes (see share()).
        std::uint32_t refs;
        std::uint32_t countedround;
        std::size_t used;
        std::size_t capacity;
        char* bytes() { return reinterpret_cast<char*>(this + 1); }
    };
    static shared* allocate(std::size_t capacity);
    // One more text uses `to`. Nearly every text lives in a value of its own, so a count past 32 bits
    // would take hundreds of gigabytes of values; it is refused as memory would be.
    static void share(shared* to) {
        if (++to->refs == 0) [[unlikely]] {
            --to->refs;
            throw std::bad_alloc();
        }
    }
    void release() {
        if (buffer && --buffer->refs == 0) std::free(buffer);
        buffer = nullptr;
    }

    shared* buffer = nullptr;
    std::size_t length = 0;
};

}  // namespace V4VM
