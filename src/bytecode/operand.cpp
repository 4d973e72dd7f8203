#include "bytecode/operand.hpp"

#include <cstring>

namespace bytecode {

namespace {

// A number's four bytes, most significant first, from `at` on; `at` moves past them.
bool readnumber(std::span<const byte> bytes, std::size_t& at, std::uint32_t& number) {
    if (bytes.size() - at < 4) return false;
    number = std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
             bytes[at + 3];
    at += 4;
    return true;
}

int decimaldigits(std::uint32_t number) {
    int digits = 1;
    for (; number >= 10; number /= 10) ++digits;
    return digits;
}

}  // namespace

float floatvalue(std::uint32_t whole, std::uint32_t fraction) {
    auto digits = static_cast<float>(decimaldigits(fraction));
    return static_cast<float>(whole) + static_cast<float>(fraction) / (10 * digits);
}

std::variant<operandpiece, operandfailure> readpiece(std::span<const byte> bytes, std::size_t at) {
    if (at >= bytes.size()) return operandfailure{operandproblem::notag, at, at};
    // A piece that runs out has consumed every byte there was before the shortage shows.
    const operandfailure shortnumber{operandproblem::shortnumber, at, bytes.size()};
    operandpiece piece;
    piece.tag = static_cast<operandtag>(bytes[at]);
    std::size_t next = at + 1;
    std::uint32_t number = 0;
    switch (bytes[at]) {
        case INT:
            if (!readnumber(bytes, next, number)) return shortnumber;
            piece.integer = static_cast<std::int32_t>(number);
            break;
        case FLOAT: {
            std::uint32_t fraction = 0;
            if (!readnumber(bytes, next, number) || !readnumber(bytes, next, fraction)) return shortnumber;
            piece.real = floatvalue(number, fraction);
            break;
        }
        case STRING: {
            const byte* start = bytes.data() + next;
            const void* zero = std::memchr(start, 0, bytes.size() - next);
            if (zero == nullptr) return operandfailure{operandproblem::unendedstring, at, bytes.size()};
            std::size_t length = static_cast<const byte*>(zero) - start;
            piece.text = std::string_view(reinterpret_cast<const char*>(start), length);
            next += length + 1;
            break;
        }
        case CODE:
            if (!readnumber(bytes, next, number)) return shortnumber;
            piece.integer = static_cast<std::int32_t>(number);
            piece.bodystart = next;
            if (piece.bodysize() > bytes.size() - next)
                return operandfailure{operandproblem::bodytoolong, at, bytes.size(), piece.integer};
            next += piece.bodysize();
            break;
        case CLASS:
        case LIST:
        case DICT:
        case STACK:
            break;
        default:
            return operandfailure{operandproblem::unknowntag, at, at + 1};
    }
    piece.end = next;
    return piece;
}

}  // namespace bytecode
