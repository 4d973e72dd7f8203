#include "bytecode/disassembler.hpp"

#include <charconv>
#include <cstdint>
#include <span>
#include <variant>

#include "bytecode/opcodes.hpp"
#include "bytecode/operand.hpp"

using namespace bytecode;

namespace {

// Lists inside lists inside lists: deeper than this is read no further.
constexpr std::size_t deepestlist = 64;

void quote(std::string& text, byte c) {
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

// A string so far: its opening quote and its bytes.
void openstring(std::string& text, std::span<const byte> bytes) {
    text += '"';
    for (byte c : bytes) quote(text, c);
}

std::string shownfloat(float value) {
    char buffer[32];
    auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string shown(buffer, written.ptr);
    if (shown.find_first_of(".e") == std::string::npos) shown += ".0";
    return shown;
}

std::string bodytext(std::int32_t length) { return "body of " + std::to_string(length) + " bytes"; }

// The text of an operand as the decoder reads it.
struct operandtext {
    std::string text;

    void piece(const operandpiece& piece) {
        switch (piece.tag) {
            case INT:
                text += std::to_string(piece.integer);
                break;
            case FLOAT:
                text += shownfloat(piece.real);
                break;
            case STRING:
                openstring(text, std::span(reinterpret_cast<const byte*>(piece.text.data()), piece.text.size()));
                text += '"';
                break;
            case CLASS:
                text += "class";
                break;
            case CODE:
                text += bodytext(piece.integer);
                break;
            case STACK:
                text += "stack";
                break;
            default:  // lists and dictionaries open instead
                break;
        }
    }
    void open(operandtag tag) { text += tag == DICT ? "{" : "["; }
    void item(itemplace place) { text += place == itemplace::first ? "" : place == itemplace::next ? ", " : ": "; }
    void close(operandtag tag) { text += tag == DICT ? "}" : "]"; }

    // What could not be read: the part of the failed piece there is, and why no more.
    std::string fault(std::span<const byte> bytes, const operandfailure& failure) {
        switch (failure.problem) {
            case operandproblem::notag:
            case operandproblem::shortnumber:
                return "operand runs past the end of the body";
            case operandproblem::unendedstring:
                openstring(text, bytes.subspan(failure.start + 1));
                return "no 0 ends the string";
            case operandproblem::unendedlist:
                return "no 255 ends the list";
            case operandproblem::unendeddictionary:
                return "no 255 ends the dictionary";
            case operandproblem::novalue:
            case operandproblem::endbyteasvalue:
                return "a key without its value";
            case operandproblem::unknowntag:
                return "no operand has the tag " + std::to_string(bytes[failure.start]);
            case operandproblem::toodeep:
                return "lists nested too deep to list";
            case operandproblem::bodytoolong:
                text += bodytext(failure.claimed);
                return "the body runs past the end of the code";
        }
        return "";
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
    std::span<const byte> operand(code.data() + offset + 1, end - offset - 1);
    operandtext reader;
    auto read = readoperand(operand, reader, deepestlist);
    const operandfailure* failure = std::get_if<operandfailure>(&read);
    std::string problem = failure ? reader.fault(operand, *failure) : "";
    if (!reader.text.empty()) result.text += " " + reader.text;
    if (failure) {
        result.text += " (" + problem + ")";
        result.next = end;
        return result;
    }
    std::size_t length = std::get<std::size_t>(read);
    result.next = offset + 1 + length;
    // A body held directly by the instruction is listed instruction by instruction under it (after
    // the tag and the length, a CODE operand is its body).
    if (operand[0] == CODE && length > 5) {
        result.hasbody = true;
        result.bodystart = offset + 6;
    }
    return result;
}
