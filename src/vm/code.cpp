#include "vm/code.hpp"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "vm/operands.hpp"

namespace V4VM {

namespace {

bool readword(std::span<const byte> bytes, std::size_t& at, std::uint32_t& word) {
    if (bytes.size() - at < 4) return false;
    word = std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
           bytes[at + 3];
    at += 4;
    return true;
}

}  // namespace

const codeblock* codecache::load(const std::vector<byte>& bytes) {
    program = std::make_shared<const std::vector<byte>>(bytes);
    return &blocks.emplace_back(program, 0, program->size());
}

const codeblock* codecache::cut(const codeblock& enclosing, std::size_t offset, std::size_t length) {
    std::pair<std::size_t, std::size_t> key{enclosing.origin + offset, length};
    auto found = cuts.find(key);
    if (found != cuts.end()) return found->second;
    const codeblock* body = &blocks.emplace_back(enclosing.program, key.first, length);
    cuts.emplace(key, body);
    return body;
}

const instruction& codecache::find(const codeblock& body, std::size_t offset, std::size_t& hint) {
    auto& decoded = body.decoded;
    if (decoded.empty() && offset == 0) decodeinsequence(body);
    auto sequenced = decoded.begin() + static_cast<std::ptrdiff_t>(body.insequence);
    auto place = std::lower_bound(decoded.begin(), sequenced, offset,
                                  [](const instruction& in, std::size_t at) { return in.start < at; });
    if (place != sequenced && place->start == offset) {
        hint = static_cast<std::size_t>(place - decoded.begin());
        return *place;
    }
    auto found = body.later.find(offset);
    if (found == body.later.end()) {
        decoded.push_back(decode(body, offset));
        found = body.later.emplace(offset, decoded.size() - 1).first;
    }
    hint = found->second;
    return decoded[hint];
}

// A body runs from its first byte on, one instruction after another, so on its first run every
// instruction up to the first whose operand is read at run time is known.
void codecache::decodeinsequence(const codeblock& body) {
    body.decoded.reserve(body.size() / 4);
    std::size_t at = 0;
    while (at < body.size()) {
        const instruction& in = body.decoded.emplace_back(decode(body, at));
        if (in.kind == instruction::operand::atruntime) break;
        at = in.end;
    }
    body.insequence = body.decoded.size();
    body.decoded.shrink_to_fit();
    fuse(body);
}

namespace {

bool isbinary(byte opcode) {
    return opcode <= DIV || (opcode >= GREATER && opcode <= GREATEREQ) || opcode == EQUAL;
}

bool is(const instruction& in, byte opcode, instruction::operand kind) { return in.opcode == opcode && in.kind == kind; }

using operand = instruction::operand;

// The run that begins at code[at], if any.
std::optional<fusedrun> runat(const std::vector<instruction>& code, std::size_t at, vname set) {
    auto runs = [&](std::size_t count) { return at + count <= code.size(); };
    if (!runs(1)) return std::nullopt;
    if (runs(8) && is(code[at], SAVESCOPE, operand::none) && is(code[at + 1], PUSHCONST, operand::klass) &&
        is(code[at + 2], STORELOCAL, operand::name) && is(code[at + 3], PTRLOCAL, operand::name) &&
        code[at + 2].name == code[at + 3].name && is(code[at + 4], ENTERTOP, operand::none) &&
        is(code[at + 5], LOADATTR, operand::name) && code[at + 5].nameoperand() == set &&
        is(code[at + 6], CALL, operand::count) && code[at + 6].integer == 1 && is(code[at + 7], LEAVE, operand::none))
        return fusedrun{fusedrun::shape::assignment, 0, false, code[at + 2].nameoperand(), {}, {}, 8, code[at + 7].end,
                        0, 0};
    if (runs(6) && is(code[at], LOADLOCAL, operand::name) && is(code[at + 1], STASH, operand::none) &&
        is(code[at + 2], SAVESCOPE, operand::none) &&
        (is(code[at + 3], LOADLOCAL, operand::name) || is(code[at + 3], PUSHCONST, operand::integer) ||
         is(code[at + 3], PUSHCONST, operand::real)) &&
        is(code[at + 4], UNSTASH, operand::none) && isbinary(code[at + 5].opcode))
        return fusedrun{fusedrun::shape::binary, code[at + 5].opcode, false, code[at].nameoperand(), {}, code[at + 3], 6,
                        code[at + 5].end, 0, 0};
    if (runs(5) && is(code[at], LOADLOCAL, operand::name) && is(code[at + 1], ENTERTOP, operand::none) &&
        is(code[at + 2], LOADATTR, operand::name) && is(code[at + 3], RESTORESCOPE, operand::none) &&
        is(code[at + 4], STASH, operand::none))
        return fusedrun{fusedrun::shape::methodcall, 0, false, code[at].nameoperand(), code[at + 2].nameoperand(),
                        {}, 5, code[at + 4].end, 0, 0};
    bool constant = is(code[at], PUSHCONST, operand::integer) || is(code[at], PUSHCONST, operand::real) ||
                    is(code[at], PUSHCONST, operand::string);
    std::size_t unstash = constant ? at + 1 : at;
    if (unstash + 2 <= code.size() && is(code[unstash], UNSTASH, operand::none) &&
        is(code[unstash + 1], CALL, operand::count)) {
        const instruction& call = code[unstash + 1];
        return fusedrun{fusedrun::shape::call, 0, false, {}, {}, constant ? code[at] : instruction(),
                        unstash + 2 - at, call.end, call.integer, call.start};
    }
    if (runs(2) && is(code[at], SAVESCOPE, operand::none) && is(code[at + 1], LEAVE, operand::none))
        return fusedrun{fusedrun::shape::leave, 0, true, {}, {}, {}, 2, code[at + 1].end, 0, 0};
    if (runs(2) && is(code[at], LOADLOCAL, operand::name) && is(code[at + 1], STORELOCAL, operand::name))
        return fusedrun{fusedrun::shape::store, 0, false, code[at].nameoperand(), code[at + 1].nameoperand(), {}, 2,
                        code[at + 1].end, 0, 0};
    return std::nullopt;
}

}  // namespace

void codecache::fuse(const codeblock& body) {
    const std::vector<instruction>& code = body.decoded;
    vname set = names.intern("set");
    for (std::size_t at = 0; at < code.size(); ++at) {
        std::optional<fusedrun> run = runat(code, at, set);
        // The compiler saves the scope before nearly every operation: the run takes that in too.
        if (!run && is(code[at], SAVESCOPE, operand::none) && (run = runat(code, at + 1, set))) {
            run->savesscope = true;
            ++run->count;
        }
        if (!run) continue;
        body.fusions.push_back(*run);
        body.decoded[at].fused = static_cast<std::uint32_t>(body.fusions.size());
    }
}

instruction codecache::decode(const codeblock& body, std::size_t offset) {
    std::span<const byte> bytes = body.bytes();
    instruction result;
    result.start = offset;
    result.opcode = bytes[offset];
    std::size_t at = offset + 1;
    result.end = at;
    bool ready = true;
    switch (operandof(result.opcode)) {
        case operandkind::none:
            break;
        case operandkind::name:
            ready = readname(bytes, at, result);
            break;
        case operandkind::count:
            ready = readcount(bytes, at, result);
            break;
        case operandkind::value:
            ready = readconstant(body, at, result);
            break;
    }
    if (ready) {
        result.end = at;
    } else {
        result.kind = instruction::operand::atruntime;
        result.end = offset + 1;
    }
    return result;
}

bool codecache::readcount(std::span<const byte> bytes, std::size_t& at, instruction& into) {
    std::uint32_t word = 0;
    if (at >= bytes.size() || bytes[at] != INT || !readword(bytes, ++at, word)) return false;
    into.kind = instruction::operand::count;
    into.integer = static_cast<std::int32_t>(word);
    return true;
}

bool codecache::readname(std::span<const byte> bytes, std::size_t& at, instruction& into) {
    if (at >= bytes.size() || bytes[at] != STRING) return false;
    const byte* start = bytes.data() + at + 1;
    const void* end = std::memchr(start, 0, bytes.size() - at - 1);
    if (end == nullptr) return false;
    std::size_t length = static_cast<const byte*>(end) - start;
    into.kind = instruction::operand::name;
    into.name = names.intern(std::string_view(reinterpret_cast<const char*>(start), length)).key();
    at += length + 2;
    return true;
}

bool codecache::readconstant(const codeblock& body, std::size_t& at, instruction& into) {
    std::span<const byte> bytes = body.bytes();
    if (at >= bytes.size()) return false;
    std::uint32_t word = 0;
    switch (bytes[at]) {
        case INT:
            if (!readword(bytes, ++at, word)) return false;
            into.kind = instruction::operand::integer;
            into.integer = static_cast<std::int32_t>(word);
            return true;
        case FLOAT: {
            std::uint32_t fraction = 0;
            if (!readword(bytes, ++at, word) || !readword(bytes, at, fraction)) return false;
            into.kind = instruction::operand::real;
            into.real = floatoperand(word, fraction);
            return true;
        }
        case STRING: {
            const byte* start = bytes.data() + at + 1;
            const void* end = std::memchr(start, 0, bytes.size() - at - 1);
            if (end == nullptr) return false;
            std::size_t length = static_cast<const byte*>(end) - start;
            into.kind = instruction::operand::string;
            into.string = &strings.emplace_back(std::string_view(reinterpret_cast<const char*>(start), length));
            at += length + 2;
            return true;
        }
        case CLASS:
            ++at;
            into.kind = instruction::operand::klass;
            return true;
        case CODE: {
            if (!readword(bytes, ++at, word)) return false;
            auto length = static_cast<std::int32_t>(word);
            if (length > 0 && static_cast<std::size_t>(length) > bytes.size() - at) return false;
            into.kind = instruction::operand::block;
            into.block = length > 0 ? cut(body, at, static_cast<std::size_t>(length)) : nullptr;
            if (length > 0) at += static_cast<std::size_t>(length);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace V4VM
