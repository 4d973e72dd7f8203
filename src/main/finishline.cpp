#include "main/finishline.hpp"

#include <string_view>

namespace {

constexpr std::string_view finishstart = "\n<VESK 4> Program finished";

bool iscodecharacter(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || c == '-'; }

// How far `text` is from being a finish line: 1 a complete one, 0 the beginning of one, -1 neither.
int readfinish(std::string_view text) {
    if (text.size() <= finishstart.size()) return finishstart.starts_with(text) ? 0 : -1;
    if (!text.starts_with(finishstart)) return -1;
    std::string_view rest = text.substr(finishstart.size());
    constexpr std::string_view plain = ".\n";
    constexpr std::string_view coded = " with code ";
    if (plain.starts_with(rest)) return rest == plain ? 1 : 0;
    if (rest.size() <= coded.size()) return coded.starts_with(rest) ? 0 : -1;
    if (!rest.starts_with(coded)) return -1;
    rest.remove_prefix(coded.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '\n') return i > 0 && i + 1 == rest.size() ? 1 : -1;
        if (!iscodecharacter(rest[i])) return -1;
    }
    return 0;
}

}  // namespace

void finishlinefilter::release() {
    if (!holding) return;
    target->sputn(held.data(), static_cast<std::streamsize>(held.size()));
    held.clear();
    holding = false;
}

void finishlinefilter::hold(char c) {
    held += c;
    int state = readfinish(held);
    if (state < 0) release();
    if (state > 0) {
        held.clear();
        holding = false;
        finished = true;
    }
}

int finishlinefilter::overflow(int c) {
    if (finished || c == traits_type::eof()) return traits_type::not_eof(c);
    char ch = traits_type::to_char_type(c);
    if (holding) {
        hold(ch);
    } else if (ch == '\n') {
        holding = true;
        held.assign(1, '\n');
    } else {
        return target->sputc(ch);
    }
    return c;
}

std::streamsize finishlinefilter::xsputn(const char* text, std::streamsize count) {
    std::streamsize used = 0;
    while (used < count && holding && !finished) hold(text[used++]);
    if (finished || used == count) return count;
    std::streamsize passed = target->sputn(text + used, count - used);
    return used + passed;
}
