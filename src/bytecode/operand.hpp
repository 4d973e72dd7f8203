#pragma once

#include <absl/container/inlined_vector.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <variant>

#include "bytecode/opcodes.hpp"
#include "common/bytes.hpp"

// The one reading of operands. The machine (ahead of time and as an instruction runs) and the listing
// read them through it and differ only in what they make of each piece and how they word a failure.
namespace bytecode {

// Why an operand cannot be read.
enum class operandproblem : std::uint8_t {
    notag,              // no byte is left where an operand's tag belongs
    shortnumber,        // the four bytes of a number (an INT, a half of a FLOAT, a body's length) run out
    unendedstring,      // no 0 ends a STRING
    unendedlist,        // no 255 ends a LIST
    unendeddictionary,  // no 255 ends a DICT
    novalue,            // a DICT's key is the last operand there is
    endbyteasvalue,     // a DICT's key is followed by the 255 that would end it
    unknowntag,         // the tag byte is no tag (a 255 where no list or dictionary can end)
    toodeep,            // lists and dictionaries nested deeper than the reader allows
    bodytoolong,        // a CODE body is longer than the bytes left
};

// A failure, with how far the reading got: what the machine consumed when it met the fault, byte for
// byte, which its error report shows (the bytes after `consumed`).
struct operandfailure {
    operandproblem problem;
    std::size_t start;     // where the piece that failed begins: its tag, or where an element was due
    std::size_t consumed;  // the bytes read before the fault showed, counted from the operand's first
    std::int32_t claimed = 0;  // bodytoolong: the length the body claims

    bool operator==(const operandfailure&) const = default;
};

// One piece of an operand: a whole INT, FLOAT, STRING, CLASS, CODE or STACK operand, or the tag that
// opens a LIST or DICT.
struct operandpiece {
    operandtag tag = INT;
    std::size_t end = 0;          // where the piece ends
    std::int32_t integer = 0;     // INT; CODE: the body's length as written (no body unless above 0)
    float real = 0;               // FLOAT
    std::string_view text;        // STRING, without its 0
    std::size_t bodystart = 0;    // CODE: where the body begins

    std::size_t bodysize() const { return integer > 0 ? static_cast<std::size_t>(integer) : 0; }
};

// The value of a FLOAT operand: the whole part, then the fraction's digits divided by ten times their
// count (so 1 and 25 make 2.25).
float floatvalue(std::uint32_t whole, std::uint32_t fraction);

// The piece whose tag is `bytes[at]`. Reads nothing past the end of `bytes`.
std::variant<operandpiece, operandfailure> readpiece(std::span<const byte> bytes, std::size_t at);

// Where an item of a list or dictionary stands.
enum class itemplace : std::uint8_t {
    first,  // the first element or key
    next,   // a later element or key
    value,  // the value after its key
};

// Reads the whole operand at the front of `bytes`, lists and dictionaries nested at most `deepest`
// deep; returns its length or the failure. The reader hears of each piece in the order of the bytes:
//   reader.piece(const operandpiece&)  an operand other than a list or dictionary, read whole;
//   reader.open(operandtag)            the tag of a LIST or DICT;
//   reader.item(itemplace)             an element, key or value follows (its first byte is there and
//                                      is not the 255 that ends a list or dictionary);
//   reader.close(operandtag)           the 255 that ends the innermost open LIST or DICT.
// Nothing is heard of the piece that fails. A reader may throw; the decoder holds nothing but memory.
template <typename Reader>
std::variant<std::size_t, operandfailure> readoperand(std::span<const byte> bytes, Reader& reader,
                                                     std::size_t deepest) {
    // What each open list or dictionary waits for, the innermost last.
    enum class awaiting : std::uint8_t { firstelement, element, firstkey, key, value };
    absl::InlinedVector<awaiting, 16> open;
    std::size_t at = 0;
    while (true) {
        auto read = readpiece(bytes, at);
        if (auto* failure = std::get_if<operandfailure>(&read)) return *failure;
        const operandpiece& piece = std::get<operandpiece>(read);
        if (piece.tag == LIST || piece.tag == DICT) {
            if (open.size() >= deepest) return operandfailure{operandproblem::toodeep, at, piece.end};
            reader.open(piece.tag);
            open.push_back(piece.tag == LIST ? awaiting::firstelement : awaiting::firstkey);
        } else {
            reader.piece(piece);
        }
        at = piece.end;
        // Close what ends here, up to the next item to read.
        while (true) {
            if (open.empty()) return at;
            awaiting& next = open.back();
            if (next == awaiting::value) {
                if (at == bytes.size()) return operandfailure{operandproblem::novalue, at, at};
                if (bytes[at] == LISTEND) return operandfailure{operandproblem::endbyteasvalue, at, at + 1};
                next = awaiting::key;
                reader.item(itemplace::value);
                break;
            }
            bool list = next == awaiting::firstelement || next == awaiting::element;
            if (at == bytes.size())
                return operandfailure{list ? operandproblem::unendedlist : operandproblem::unendeddictionary, at, at};
            if (bytes[at] != LISTEND) {
                bool first = next == awaiting::firstelement || next == awaiting::firstkey;
                next = list ? awaiting::element : awaiting::value;
                reader.item(first ? itemplace::first : itemplace::next);
                break;
            }
            ++at;
            open.pop_back();
            reader.close(list ? LIST : DICT);
        }
    }
}

}  // namespace bytecode
