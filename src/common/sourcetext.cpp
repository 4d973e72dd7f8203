#include "common/sourcetext.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

// Every line ends in a line feed, and one carriage return before it goes with it. In place: the text
// only shrinks, but for the line feed a last line may need.
void endlines(std::string& text) {
    std::size_t kept = 0;
    for (char c : text) {
        if (c == '\n' && kept > 0 && text[kept - 1] == '\r') kept -= 1;
        text[kept++] = c;
    }
    text.resize(kept);
    if (!text.empty() && text.back() != '\n') {
        if (text.back() == '\r') text.pop_back();
        text += '\n';
    }
}

sourceread readsource(const std::string& path) {
    // Plain system calls rather than a stream: a directory opens as a stream and reads as empty, and
    // the reason a read failed is wanted for the message.
    int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return {"", errno};
    // Read into a buffer of the file's size: a large program is held once, not once per doubling.
    std::string text;
    struct stat status;
    if (fstat(file, &status) == 0 && status.st_size > 0) text.reserve(static_cast<std::size_t>(status.st_size) + 1);
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
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(file);
    endlines(text);
    return {std::move(text), 0};
}
