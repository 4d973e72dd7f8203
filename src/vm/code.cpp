#include "vm/code.hpp"

#include <algorithm>
#include <optional>
#include <variant>

#include "vm/operations.hpp"

namespace V4VM {

const codeblock* codecache::load(const std::vector<byte>& bytes, const sourcemap* positions) {
    auto program = std::make_shared<const std::vector<byte>>(bytes);
    return &blocks.emplace_back(program, positions, 0, program->size());
}

const codeblock* codecache::cut(const codeblock& enclosing, std::size_t offset, std::size_t length) {
    cutkey key{enclosing.program.get(), enclosing.origin + offset, length};
    auto found = cuts.find(key);
    if (found != cuts.end()) return found->second;
    const codeblock* body =
        &blocks.emplace_back(enclosing.program, enclosing.positions, std::get<1>(key), length);
    cuts.emplace(key, body);
    return body;
}

variable* codecache::blockfunction(const codeblock* body) {
    std::unique_ptr<variable>& function = body != nullptr ? body->asblock : emptyblock;
    if (!function) {
        function = std::make_unique<variable>();
        function->identifier = vtype::custom_func;
        function->setfunccode(body);
    }
    return function.get();
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

// LOADLOCAL x, LOADGLOBAL x or PUSHCONST number or string.
bool ispush(const instruction& in) {
    return is(in, LOADLOCAL, operand::name) || is(in, LOADGLOBAL, operand::name) || is(in, PUSHCONST, operand::integer) ||
           is(in, PUSHCONST, operand::real) || is(in, PUSHCONST, operand::string);
}

// The steps of a path from code[end] on, moving `end` past them: each ENTERATTR b, and where `loaded`
// each LOADATTR b, ENTERTOP too.
std::vector<pathstep> readpath(const std::vector<instruction>& code, std::size_t& end, bool loaded) {
    std::vector<pathstep> path;
    for (;;) {
        if (end < code.size() && is(code[end], ENTERATTR, operand::name)) {
            path.push_back({code[end++].nameoperand()});
        } else if (loaded && end + 1 < code.size() && is(code[end], LOADATTR, operand::name) &&
                   is(code[end + 1], ENTERTOP, operand::none)) {
            path.push_back({code[end].nameoperand(), true});
            end += 2;
        } else {
            return path;
        }
    }
}

// LOADLOCAL o, ENTERTOP, the path b..., LOADATTR m, then RESTORESCOPE, STASH or a LEAVE for each object
// entered.
std::optional<fusedrun> memberpath(const std::vector<instruction>& code, std::size_t at) {
    std::size_t end = at + 2;
    if (end >= code.size() || !is(code[at], LOADLOCAL, operand::name) || !is(code[at + 1], ENTERTOP, operand::none))
        return std::nullopt;
    std::vector<pathstep> path = readpath(code, end, true);
    if (end >= code.size() || !is(code[end], LOADATTR, operand::name)) return std::nullopt;
    vname object = code[at].nameoperand();
    vname member = code[end].nameoperand();
    ++end;
    if (end + 2 <= code.size() && is(code[end], RESTORESCOPE, operand::none) && is(code[end + 1], STASH, operand::none))
        return fusedrun{.form = fusedrun::shape::methodcall, .name = object, .member = member, .count = end + 2 - at,
                        .end = code[end + 1].end, .path = std::move(path)};
    std::size_t leaves = path.size() + 1;
    if (end + leaves > code.size()) return std::nullopt;
    for (std::size_t left = 0; left < leaves; ++left)
        if (!is(code[end + left], LEAVE, operand::none)) return std::nullopt;
    return fusedrun{.form = fusedrun::shape::memberread, .name = object, .member = member, .count = end + leaves - at,
                    .end = code[end + leaves - 1].end, .path = std::move(path)};
}

// The names of a pointer's methods that the assignments call.
struct pointermethods {
    vname get;
    vname set;
};

bool calls(const std::vector<instruction>& code, std::size_t at, vname method, std::int32_t arguments) {
    return is(code[at], LOADATTR, operand::name) && code[at].nameoperand() == method &&
           is(code[at + 1], CALL, operand::count) && code[at + 1].integer == arguments;
}

// PTRLOCAL o, ENTERTOP, LOADATTR "get", CALL 0, LEAVE, ENTERTOP, ENTERATTR b..., PUSHCONST CLASS,
// STOREATTR m, PTRATTR m, a LEAVE for each object entered, ENTERTOP, LOADATTR "set", CALL 1, LEAVE.
std::optional<fusedrun> memberassignment(const std::vector<instruction>& code, std::size_t at,
                                         const pointermethods& pointer) {
    if (at + 6 > code.size() || !is(code[at], PTRLOCAL, operand::name) || !is(code[at + 1], ENTERTOP, operand::none) ||
        !calls(code, at + 2, pointer.get, 0) || !is(code[at + 4], LEAVE, operand::none) ||
        !is(code[at + 5], ENTERTOP, operand::none))
        return std::nullopt;
    std::size_t end = at + 6;
    std::vector<pathstep> path = readpath(code, end, false);
    std::size_t leaves = path.size() + 1;
    if (end + 3 + leaves + 4 > code.size() || !is(code[end], PUSHCONST, operand::klass) ||
        !is(code[end + 1], STOREATTR, operand::name) || !is(code[end + 2], PTRATTR, operand::name) ||
        code[end + 1].name != code[end + 2].name)
        return std::nullopt;
    vname member = code[end + 1].nameoperand();
    end += 3;
    for (std::size_t left = 0; left < leaves; ++left, ++end)
        if (!is(code[end], LEAVE, operand::none)) return std::nullopt;
    if (!is(code[end], ENTERTOP, operand::none) || !calls(code, end + 1, pointer.set, 1) ||
        !is(code[end + 3], LEAVE, operand::none))
        return std::nullopt;
    end += 4;
    return fusedrun{.form = fusedrun::shape::memberassignment, .name = code[at].nameoperand(), .member = member,
                    .count = end - at, .end = code[end - 1].end, .path = std::move(path)};
}

// The run that begins at code[at], if any.
std::optional<fusedrun> runat(const std::vector<instruction>& code, std::size_t at, const pointermethods& pointer) {
    auto runs = [&](std::size_t count) { return at + count <= code.size(); };
    if (!runs(1)) return std::nullopt;
    if (runs(8) && is(code[at], SAVESCOPE, operand::none) && is(code[at + 1], PUSHCONST, operand::klass) &&
        is(code[at + 2], STORELOCAL, operand::name) && is(code[at + 3], PTRLOCAL, operand::name) &&
        code[at + 2].name == code[at + 3].name && is(code[at + 4], ENTERTOP, operand::none) &&
        calls(code, at + 5, pointer.set, 1) && is(code[at + 7], LEAVE, operand::none))
        return fusedrun{.form = fusedrun::shape::assignment, .name = code[at + 2].nameoperand(), .count = 8,
                        .end = code[at + 7].end};
    if (runs(6) && is(code[at], LOADLOCAL, operand::name) && is(code[at + 1], STASH, operand::none) &&
        is(code[at + 2], SAVESCOPE, operand::none) &&
        (is(code[at + 3], LOADLOCAL, operand::name) || is(code[at + 3], PUSHCONST, operand::integer) ||
         is(code[at + 3], PUSHCONST, operand::real)) &&
        is(code[at + 4], UNSTASH, operand::none) && isbinary(code[at + 5].opcode))
        return fusedrun{.form = fusedrun::shape::binary, .opcode = code[at + 5].opcode, .name = code[at].nameoperand(),
                        .right = code[at + 3], .count = 6, .end = code[at + 5].end};
    if (std::optional<fusedrun> read = memberpath(code, at)) return read;
    if (std::optional<fusedrun> store = memberassignment(code, at, pointer)) return store;
    if (runs(3) && is(code[at], LOADLOCAL, operand::name) && is(code[at + 1], RESTORESCOPE, operand::none) &&
        is(code[at + 2], STASH, operand::none))
        return fusedrun{.form = fusedrun::shape::functionfetch, .name = code[at].nameoperand(), .count = 3,
                        .end = code[at + 2].end};
    bool constant = is(code[at], PUSHCONST, operand::integer) || is(code[at], PUSHCONST, operand::real) ||
                    is(code[at], PUSHCONST, operand::string);
    std::size_t unstash = constant ? at + 1 : at;
    if (unstash + 2 <= code.size() && is(code[unstash], UNSTASH, operand::none) &&
        is(code[unstash + 1], CALL, operand::count)) {
        const instruction& call = code[unstash + 1];
        return fusedrun{.form = fusedrun::shape::call, .right = constant ? code[at] : instruction(),
                        .count = unstash + 2 - at, .end = call.end, .arguments = call.integer, .laststart = call.start};
    }
    if (runs(2) && is(code[at], UNSTASH, operand::none) && isoperation(code[at + 1].opcode))
        return fusedrun{.form = fusedrun::shape::unstash, .opcode = code[at + 1].opcode, .count = 2,
                        .end = code[at + 1].end, .laststart = code[at + 1].start};
    if (runs(2) && is(code[at], SAVESCOPE, operand::none) && is(code[at + 1], LEAVE, operand::none)) {
        std::size_t end = at + 2;
        while (end < code.size() && is(code[end], LEAVE, operand::none)) ++end;
        auto leaves = static_cast<std::int32_t>(end - at - 1);
        std::optional<instruction> then;
        if (end < code.size() && is(code[end], RETURN, operand::none)) then = code[end++];
        return fusedrun{.form = fusedrun::shape::leave, .savesscope = true, .count = end - at, .end = code[end - 1].end,
                        .arguments = leaves, .then = then};
    }
    if (runs(2) && is(code[at], LOADLOCAL, operand::name) && is(code[at + 1], STORELOCAL, operand::name))
        return fusedrun{.form = fusedrun::shape::store, .name = code[at].nameoperand(),
                        .member = code[at + 1].nameoperand(), .count = 2, .end = code[at + 1].end};
    return std::nullopt;
}

// A run that pushes one value may go on with the STASH, IF or RETURN that takes it.
void takeending(const std::vector<instruction>& code, std::size_t at, fusedrun& run) {
    using shape = fusedrun::shape;
    if (run.form != shape::binary && run.form != shape::load && run.form != shape::unstash &&
        run.form != shape::memberread)
        return;
    std::size_t next = at + run.count;
    if (next >= code.size() || !(is(code[next], STASH, operand::none) || is(code[next], IF, operand::block) ||
                                 is(code[next], RETURN, operand::none)))
        return;
    run.then = code[next];
    ++run.count;
    run.end = code[next].end;
}

}  // namespace

void codecache::fuse(const codeblock& body) {
    const std::vector<instruction>& code = body.decoded;
    pointermethods pointer{names.intern("get"), names.intern("set")};
    for (std::size_t at = 0; at < code.size(); ++at) {
        std::optional<fusedrun> run = runat(code, at, pointer);
        // The compiler saves the scope before nearly every operation, often twice with nothing between:
        // the run takes them in too, since only the scope saved last is ever read.
        auto saved = [&](std::size_t count) { return is(code[at + count - 1], SAVESCOPE, operand::none); };
        for (std::size_t saves = 1; !run && at + saves < code.size() && saved(saves); ++saves) {
            const instruction& next = code[at + saves];
            if ((run = runat(code, at + saves, pointer))) {
                run->savesscope = true;
                run->count += saves;
            } else if (ispush(next)) {
                run = fusedrun{.form = fusedrun::shape::load, .savesscope = true, .right = next, .count = saves + 1,
                               .end = next.end};
            }
        }
        if (!run) continue;
        takeending(code, at, *run);
        body.fusions.push_back(*run);
        body.decoded[at].fused = static_cast<std::uint32_t>(body.fusions.size());
    }
}

instruction codecache::decode(const codeblock& body, std::size_t offset) {
    std::span<const byte> bytes = body.bytes();
    instruction result;
    result.start = offset;
    result.opcode = bytes[offset];
    result.end = offset + 1;
    operandkind kind = operandof(result.opcode);
    if (kind == operandkind::none) return result;
    auto read = readpiece(bytes, offset + 1);
    const operandpiece* piece = std::get_if<operandpiece>(&read);
    if (piece != nullptr && readahead(body, kind, *piece, result))
        result.end = piece->end;
    else
        result.kind = instruction::operand::atruntime;
    return result;
}

bool codecache::readahead(const codeblock& body, operandkind kind, const operandpiece& piece, instruction& into) {
    if (kind == operandkind::name) {
        if (piece.tag != STRING) return false;
        into.kind = instruction::operand::name;
        into.name = names.intern(piece.text).interned();
        return true;
    }
    if (kind == operandkind::count) {
        if (piece.tag != INT) return false;
        into.kind = instruction::operand::count;
        into.integer = piece.integer;
        return true;
    }
    switch (piece.tag) {
        case INT:
            into.kind = instruction::operand::integer;
            into.integer = piece.integer;
            return true;
        case FLOAT:
            into.kind = instruction::operand::real;
            into.real = piece.real;
            return true;
        case STRING:
            into.kind = instruction::operand::string;
            into.string = &strings.emplace_back(piece.text);
            return true;
        case CLASS:
            into.kind = instruction::operand::klass;
            return true;
        case CODE:
            into.kind = instruction::operand::block;
            into.block = piece.bodysize() ? cut(body, piece.bodystart, piece.bodysize()) : nullptr;
            return true;
        default:  // lists, dictionaries and the stack are read as the instruction runs
            return false;
    }
}

}  // namespace V4VM
