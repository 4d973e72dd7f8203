#pragma once

#include <cstddef>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

// The protocol's framing: each message is a header block ("Content-Length: N", other headers
// ignored, each line ending in CRLF, an empty line last) and then N bytes of JSON.

// The largest body read: a 16 MiB document fits in it however its text is escaped. A larger one is
// read past and dropped rather than held.
inline constexpr std::size_t largestbody = std::size_t{128} << 20;

class messagereader {
public:
    // Problems with the input are written to `log`, one line each.
    messagereader(std::istream& in, std::ostream& log);

    // The next message's body; none at the end of the input. Input that is not understood is logged
    // and skipped up to the next "Content-Length:", wherever it stands.
    std::optional<std::string> next();

private:
    // One header line without its line end; none at the end of the input. A line that runs on past
    // any header's length is cut there, and `cut` tells.
    std::optional<std::string> readline();
    // The length the header block starting with `first` announces; none for a malformed block, which
    // is logged and skipped.
    std::optional<std::size_t> readheaders(std::string first);
    // Finds the next "Content-Length:", in the rest of `line` (the line the problem was met in) or in
    // the input after it, and keeps what follows it on its line as the next block's first.
    void resynchronise(std::string_view problem, std::string_view line);
    std::optional<std::string> readbody(std::size_t length);
    bool skipbody(std::size_t length);

    std::istream& in;
    std::ostream& log;
    std::optional<std::string> pending;  // a header line read while skipping, which starts the next block
    bool cut = false;
};

// Writes one message with its header.
void writemessage(std::ostream& out, const std::string& body);
