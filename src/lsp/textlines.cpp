#include "lsp/textlines.hpp"

#include <algorithm>

namespace {

// The length of the UTF-8 sequence a lead byte begins; 0 for a byte that cannot begin one.
std::size_t sequencelength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xc2 && lead <= 0xdf) return 2;
    if (lead >= 0xe0 && lead <= 0xef) return 3;
    if (lead >= 0xf0 && lead <= 0xf4) return 4;
    return 0;
}

bool continuation(unsigned char byte) { return (byte & 0xc0) == 0x80; }

}  // namespace

std::size_t utf8sequence(std::string_view text, std::size_t at) {
    auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = sequencelength(lead);
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i)
        if (!continuation(static_cast<unsigned char>(text[at + i]))) return 0;
    if (length > 1) {
        auto second = static_cast<unsigned char>(text[at + 1]);
        if (lead == 0xe0 && second < 0xa0) return 0;  // overlong
        if (lead == 0xed && second > 0x9f) return 0;  // a surrogate
        if (lead == 0xf0 && second < 0x90) return 0;  // overlong
        if (lead == 0xf4 && second > 0x8f) return 0;  // past U+10FFFF
    }
    return length;
}

bool validutf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = utf8sequence(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

// Invalid bytes never reach here from a document (it is refused whole), but a module file on disk may
// hold any: each counts as one unit, as an editor shows each as one character.
std::size_t utf16units(std::string_view line, std::size_t bytes) {
    bytes = std::min(bytes, line.size());
    std::size_t units = 0;
    for (std::size_t at = 0; at < bytes;) {
        std::size_t length = std::max<std::size_t>(1, utf8sequence(line, at));
        units += length == 4 ? 2 : 1;
        at += length;
    }
    return units;
}

std::size_t byteoffset(std::string_view line, std::size_t units) {
    std::size_t at = 0;
    while (at < line.size()) {
        std::size_t length = std::max<std::size_t>(1, utf8sequence(line, at));
        std::size_t width = length == 4 ? 2 : 1;
        if (units < width) break;
        units -= width;
        at += length;
    }
    return at;
}

textlines::textlines(std::string_view text) : text(text) {
    starts.push_back(0);
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && i + 1 < text.size()) starts.push_back(i + 1);
}

std::string_view textlines::line(std::size_t index) const {
    if (index >= starts.size()) return {};
    std::size_t begin = starts[index];
    std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    if (end > begin && text[end - 1] == '\r') end -= 1;
    return text.substr(begin, end - begin);
}

linerange textlines::span(std::size_t index, std::size_t column, std::size_t length) const {
    std::string_view shown = line(index);
    column = std::min(column, shown.size());
    std::size_t end = std::min(shown.size(), column + length);
    return {{index, utf16units(shown, column)}, {index, utf16units(shown, end)}};
}

std::size_t textlines::column(const lineposition& at) const { return byteoffset(line(at.line), at.character); }
