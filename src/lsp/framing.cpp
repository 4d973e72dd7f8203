#include "lsp/framing.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

// A header line longer than this is garbage, never a header: reading stops holding it.
constexpr std::size_t longestheader = 4096;

constexpr std::string_view lengthheader = "content-length:";

char lower(int c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool startswithlength(std::string_view line) {
    if (line.size() < lengthheader.size()) return false;
    for (std::size_t i = 0; i < lengthheader.size(); ++i)
        if (lower(line[i]) != lengthheader[i]) return false;
    return true;
}

// Where "Content-Length:" stands in a line, in any case; npos when it does not.
std::size_t findlength(std::string_view line) {
    for (std::size_t at = 0; at + lengthheader.size() <= line.size(); ++at)
        if (startswithlength(line.substr(at))) return at;
    return std::string_view::npos;
}

// "Name: value", the name without blanks.
bool isheader(std::string_view line) {
    std::size_t colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos) return false;
    return line.substr(0, colon).find_first_of(" \t") == std::string_view::npos;
}

std::optional<std::size_t> lengthof(std::string_view line) {
    std::string_view value = line.substr(lengthheader.size());
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    std::size_t length = 0;
    auto [end, failure] = std::from_chars(value.data(), value.data() + value.size(), length);
    if (value.empty() || failure != std::errc() || end != value.data() + value.size()) return std::nullopt;
    return length;
}

}  // namespace

messagereader::messagereader(std::istream& in, std::ostream& log) : in(in), log(log) {}

std::optional<std::string> messagereader::readline() {
    std::string line;
    std::streambuf* source = in.rdbuf();
    cut = false;
    while (true) {
        int c = source->sbumpc();
        if (c == std::char_traits<char>::eof()) return std::nullopt;
        if (c == '\n') break;
        line += static_cast<char>(c);
        if (line.size() == longestheader) {
            cut = true;
            return line;
        }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

void messagereader::resynchronise(std::string_view problem, std::string_view line) {
    log << "vesk --lsp: skipped " << problem << std::endl;
    // Past the line's first character, so that a line that begins with a bad length moves on.
    std::size_t inside = line.empty() ? std::string_view::npos : findlength(line.substr(1));
    if (inside != std::string_view::npos && !cut) {
        pending = std::string(line.substr(inside + 1));
        return;
    }
    std::streambuf* source = in.rdbuf();
    std::size_t matched = 0;
    while (matched < lengthheader.size()) {
        int c = source->sbumpc();
        if (c == std::char_traits<char>::eof()) return;
        // No proper prefix of the header's name recurs inside it, so a mismatch restarts the match.
        if (lower(c) == lengthheader[matched]) {
            matched += 1;
        } else {
            matched = lower(c) == lengthheader[0] ? 1 : 0;
        }
    }
    std::optional<std::string> rest = readline();
    if (rest) pending = std::string(lengthheader) + *rest;
}

std::optional<std::size_t> messagereader::readheaders(std::string first) {
    std::optional<std::size_t> length;
    std::string line = std::move(first);
    while (!line.empty()) {
        if (startswithlength(line)) {
            if (length) {
                // The block before had no blank line to end it: this line begins the next one.
                log << "vesk --lsp: skipped a header block without its empty line" << std::endl;
                pending = std::move(line);
                return std::nullopt;
            }
            length = lengthof(line);
            if (!length || cut) {
                resynchronise("a header block whose Content-Length is not a number", line);
                return std::nullopt;
            }
        } else if (!isheader(line) || cut) {
            resynchronise("input that is no header", line);
            return std::nullopt;
        }
        std::optional<std::string> following = readline();
        if (!following) return std::nullopt;
        line = std::move(*following);
    }
    if (!length) resynchronise("a header block without a Content-Length", "");
    return length;
}

std::optional<std::string> messagereader::readbody(std::size_t length) {
    // In pieces, so that a length announced by garbage costs no more memory than the bytes that came.
    constexpr std::size_t piece = std::size_t{1} << 20;
    std::string body;
    while (body.size() < length) {
        std::size_t before = body.size();
        std::size_t wanted = std::min(piece, length - before);
        body.resize(before + wanted);
        std::streamsize got = in.rdbuf()->sgetn(body.data() + before, static_cast<std::streamsize>(wanted));
        if (got != static_cast<std::streamsize>(wanted)) return std::nullopt;
    }
    return body;
}

bool messagereader::skipbody(std::size_t length) {
    char buffer[65536];
    while (length > 0) {
        std::streamsize wanted = static_cast<std::streamsize>(std::min(length, sizeof buffer));
        std::streamsize got = in.rdbuf()->sgetn(buffer, wanted);
        if (got <= 0) return false;
        length -= static_cast<std::size_t>(got);
    }
    return true;
}

std::optional<std::string> messagereader::next() {
    while (true) {
        std::optional<std::string> first = std::move(pending);
        pending.reset();
        if (!first) first = readline();
        if (!first) return std::nullopt;
        if (first->empty()) continue;  // blank lines between messages are tolerated
        std::optional<std::size_t> length = readheaders(std::move(*first));
        if (!length) continue;
        if (*length > largestbody) {
            log << "vesk --lsp: skipped a message of " << *length << " bytes, more than " << largestbody << std::endl;
            if (!skipbody(*length)) return std::nullopt;
            continue;
        }
        std::optional<std::string> body = readbody(*length);
        if (!body) log << "vesk --lsp: the input ended inside a message" << std::endl;
        return body;
    }
}

void writemessage(std::ostream& out, const std::string& body) {
    out << "Content-Length: " << body.size() << "\r\n\r\n" << body << std::flush;
}
