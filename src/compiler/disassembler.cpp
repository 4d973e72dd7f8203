#include "compiler/disassembler.hpp"

#include <charconv>
#include <cstdint>

#include "bytecode/opcodes.hpp"

using namespace bytecode;

namespace {

// Lists inside lists inside lists: deeper than this is read no further.
constexpr int deepestlist = 64;

// One operand read from a body; `at` moves past it. On failure `problem` says why and the operand's
// text so far stays in `text`.
struct listedoperand {
    const std::vector<byte>& code;
    std::size_t at;
    std::size_t end;
    std::string text;
    std::string problem;
    std::int32_t bodylength = 0;  // of the last CODE operand read

    bool fail(const std::string& why) {
        problem = why;
        return false;
    }

    bool readword(std::uint32_t& word) {
        if (end - at < 4) return fail("operand runs past the end of the body");
        word = 0;
        for (int i = 0; i < 4; ++i) word = (word << 8) | code[at++];
        return true;
    }

    void quote(byte c) {
        static const char* const digits = "0123456789abcdef";
        if (c == '"' || c == '\\') {
            text += '\\';
            text += static_cast<char>(c);
        } else if (c == '\n') {
            text += "\\n";
        } else if (c == '\r') {
            text += "\\r";
        } else if (c == '\t') {
            text += "\\t";
        } else if (c < 0x20 || c >= 0x7f) {
            text += "\\x";
            text += digits[c >> 4];
            text += digits[c & 15];
        } else {
            text += static_cast<char>(c);
        }
    }

    bool readstring() {
        text += '"';
        while (at < end && code[at] != 0) quote(code[at++]);
        if (at == end) return fail("no 0 ends the string");
        at += 1;
        text += '"';
        return true;
    }

    bool readfloat() {
        std::uint32_t whole = 0;
        std::uint32_t fraction = 0;
        if (!readword(whole) || !readword(fraction)) return false;
        // As the machine computes it.
        auto digits = static_cast<float>(std::to_string(fraction).size());
        float value = static_cast<float>(whole) + static_cast<float>(fraction) / (10 * digits);
        char buffer[32];
        auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
        std::string shown(buffer, written.ptr);
        if (shown.find_first_of(".e") == std::string::npos) shown += ".0";
        text += shown;
        return true;
    }

    // Elements of a LIST (pairs for a DICT) up to the 255 that ends them.
    bool readitems(bool pairs, int depth) {
        if (depth >= deepestlist) return fail("lists nested too deep to list");
        text += pairs ? "{" : "[";
        for (int count = 0; true; ++count) {
            if (at == end) return fail("no 255 ends the " + std::string(pairs ? "dictionary" : "list"));
            if (code[at] == LISTEND) break;
            text += count == 0 ? "" : ", ";
            if (!readoperand(depth + 1)) return false;
            if (!pairs) continue;
            if (at == end || code[at] == LISTEND) return fail("a key without its value");
            text += ": ";
            if (!readoperand(depth + 1)) return false;
        }
        at += 1;
        text += pairs ? "}" : "]";
        return true;
    }

    bool readoperand(int depth) {
        if (at == end) return fail("operand runs past the end of the body");
        byte tag = code[at++];
        std::uint32_t word = 0;
        switch (tag) {
        case INT:
            if (!readword(word)) return false;
            text += std::to_string(static_cast<std::int32_t>(word));
            return true;
        case FLOAT:
            return readfloat();
        case STRING:
            return readstring();
        case CLASS:
            text += "class";
            return true;
        case LIST:
        case DICT:
            return readitems(tag == DICT, depth);
        case CODE:
            if (!readword(word)) return false;
            bodylength = static_cast<std::int32_t>(word);
            text += "body of " + std::to_string(bodylength) + " bytes";
            if (bodylength > 0 && static_cast<std::size_t>(bodylength) > end - at)
                return fail("the body runs past the end of the code");
            at += bodylength > 0 ? static_cast<std::size_t>(bodylength) : 0;
            return true;
        case STACK:
            text += "stack";
            return true;
        default:
            return fail("no operand has the tag " + std::to_string(tag));
        }
    }
};

}  // namespace

readinstruction readinstructionat(const std::vector<byte>& code, std::size_t offset, std::size_t end) {
    readinstruction result;
    byte opcode = code[offset];
    const instructioninfo* instruction = instructionof(opcode);
    if (instruction == nullptr) {
        result.text = "? byte " + std::to_string(opcode) + " is no instruction";
        result.next = offset + 1;
        return result;
    }
    result.text = instruction->name;
    if (instruction->operand == operandkind::none) {
        result.next = offset + 1;
        return result;
    }
    listedoperand reader{code, offset + 1, end, "", "", 0};
    bool read = reader.readoperand(0);
    if (!reader.text.empty()) result.text += " " + reader.text;
    if (!read) {
        result.text += " (" + reader.problem + ")";
        result.next = end;
        return result;
    }
    result.next = reader.at;
    // A body held directly by the instruction is listed instruction by instruction under it.
    if (code[offset + 1] == CODE && reader.bodylength > 0) {
        result.hasbody = true;
        result.bodystart = offset + 6;
    }
    return result;
}
