#include "common/consoleoutput.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

std::string writefailure(const std::string& path, int reason) {
    return "write failed for " + path + ": " + std::strerror(reason);
}

consolebuffer::consolebuffer(int descriptor) : descriptor(descriptor) {
    setp(buffer.data(), buffer.data() + buffer.size());
    // Started with the descriptor closed: every write would be refused, so the first one reports it.
    if (::fcntl(descriptor, F_GETFD) == -1) refused = errno;
}

int consolebuffer::takefailure() {
    if (refused == 0 || taken) return 0;
    taken = true;
    return refused;
}

bool consolebuffer::writeout(const char* next, const char* end) {
    while (refused == 0 && next < end) {
        ssize_t written = ::write(descriptor, next, static_cast<std::size_t>(end - next));
        if (written >= 0) {
            next += written;
        } else if (errno != EINTR) {
            refused = errno;
        }
    }
    return refused == 0;
}

bool consolebuffer::drain() {
    bool written = writeout(pbase(), pptr());
    setp(buffer.data(), buffer.data() + buffer.size());
    return written;
}

consolebuffer::int_type consolebuffer::overflow(int_type next) {
    if (!drain()) return traits_type::eof();
    if (traits_type::eq_int_type(next, traits_type::eof())) return traits_type::not_eof(next);
    *pptr() = traits_type::to_char_type(next);
    pbump(1);
    return next;
}

std::streamsize consolebuffer::xsputn(const char* text, std::streamsize count) {
    if (count <= epptr() - pptr()) {
        std::memcpy(pptr(), text, static_cast<std::size_t>(count));
        pbump(static_cast<int>(count));
        return count;
    }
    // Too large for the room left: what is buffered goes first, then the text in one write.
    return drain() && writeout(text, text + count) ? count : 0;
}

int consolebuffer::sync() { return drain() ? 0 : -1; }

consoleoutput::consoleoutput() : console(STDOUT_FILENO), previous(std::cout.rdbuf(&console)) {}

consoleoutput::~consoleoutput() {
    std::cout.flush();
    std::cout.rdbuf(previous);
}

int takeconsolefailure() {
    auto* console = dynamic_cast<consolebuffer*>(std::cout.rdbuf());
    return console == nullptr ? 0 : console->takefailure();
}
