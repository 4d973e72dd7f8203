#include "main/listing.hpp"

#include <algorithm>
#include <iomanip>
#include <string>

#include "bytecode/disassembler.hpp"

namespace {

// Visits every instruction with its offset and how deep in bodies it stands.
template <typename Visit>
void walkinstructions(const std::vector<byte>& program, Visit visit) {
    std::vector<std::size_t> bodyends{program.size()};
    std::size_t at = 0;
    while (!bodyends.empty()) {
        if (at >= bodyends.back()) {
            bodyends.pop_back();
            continue;
        }
        readinstruction instruction = readinstructionat(program, at, bodyends.back());
        visit(at, bodyends.size() - 1, instruction.text);
        if (instruction.hasbody) {
            bodyends.push_back(instruction.next);
            at = instruction.bodystart;
        } else {
            at = instruction.next;
        }
    }
}

std::string statementmark(const sourcemap& positions, std::size_t offset) {
    if (!positions.startsstatement(offset)) return "";
    sourceposition position = positions.find(offset);
    return std::string(positions.filename(position)) + ":" + std::to_string(position.line);
}

}  // namespace

void printlisting(std::ostream& out, const std::vector<byte>& program, const sourcemap& positions) {
    std::size_t markwidth = 0;
    walkinstructions(program, [&](std::size_t offset, std::size_t, const std::string&) {
        markwidth = std::max(markwidth, statementmark(positions, offset).size());
    });
    int offsetwidth = static_cast<int>(std::to_string(program.empty() ? 0 : program.size() - 1).size());
    out << std::dec << std::left;
    walkinstructions(program, [&](std::size_t offset, std::size_t depth, const std::string& text) {
        out << std::setw(static_cast<int>(markwidth)) << statementmark(positions, offset) << "  " << std::right
            << std::setw(offsetwidth) << offset << std::left << "  " << std::string(2 * depth, ' ') << text << '\n';
    });
    out.flush();
}
