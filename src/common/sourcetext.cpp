#include "common/sourcetext.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

// Every line ends in a line feed, and one carriage return before it goes with it.
std::string aslines(const std::string& raw) {
    std::string text;
    text.reserve(raw.size() + 1);
    for (char c : raw) {
        if (c == '\n' && !text.empty() && text.back() == '\r') text.pop_back();
        text += c;
    }
    if (!raw.empty() && raw.back() != '\n') {
        if (text.back() == '\r') text.pop_back();
        text += '\n';
    }
    return text;
}

sourceread readsource(const std::string& path) {
    // Plain system calls rather than a stream: a directory opens as a stream and reads as empty, and
    // the reason a read failed is wanted for the message.
    int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return {"", errno};
    std::string raw;
    char buffer[65536];
    while (true) {
        ssize_t got = read(file, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            int failure = errno;
            close(file);
            return {"", failure};
        }
        if (got == 0) break;
        raw.append(buffer, static_cast<std::size_t>(got));
    }
    close(file);
    return {aslines(raw), 0};
}
