#pragma once

#include <absl/container/flat_hash_map.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#include "bytecode/opcodes.hpp"
#include "bytecode/operand.hpp"
#include "common/bytes.hpp"
#include "common/sourcemap.hpp"
#include "vm/names.hpp"
#include "vm/text.hpp"
#include "vm/value.hpp"

namespace V4VM {

using namespace ::bytecode;

class codeblock;

// One instruction of a body, its operand read ahead of time where that cannot change what the
// machine does: a name or constant written out in full. Every other operand (any other tag, STACK
// included, or bytes that run out) is read when the instruction runs, exactly as it stands, so that
// pops and errors happen where they always did.
struct instruction {
    enum class operand : std::uint8_t { none, name, count, integer, real, string, block, klass, atruntime };

    byte opcode = 0;
    operand kind = operand::none;
    std::uint32_t fused = 0;  // 1 + the index of the fused run this instruction begins, or 0
    std::size_t start = 0;    // offset of the opcode in its body
    std::size_t end = 0;      // offset of the next instruction; for atruntime, of the operand's tag
    union {
        const internedtext* name;
        std::int32_t integer;
        float real;
        const text* string;
        const codeblock* block;
    };

    instruction() : name(nullptr) {}
    vname nameoperand() const { return vname(name); }
};

// One step of a path into an object: ENTERATTR b enters the member as it is; LOADATTR b, ENTERTOP (what
// an index o.b[i] is written as) first binds it to the object it was read from and names it.
struct pathstep {
    vname name;
    bool loaded = false;
};

// A run of instructions that the compiler emits for one assignment, operation or step of a call, which
// the machine carries out in one step whenever it can tell beforehand that no instruction of the run
// would fail (see fused.cpp); otherwise the instructions run one by one.
struct fusedrun {
    enum class shape : std::uint8_t {
        // SAVESCOPE, PUSHCONST CLASS, STORELOCAL x, PTRLOCAL x, ENTERTOP, LOADATTR "set", CALL 1, LEAVE
        assignment,
        // LOADLOCAL a, STASH, SAVESCOPE, LOADLOCAL b or PUSHCONST number, UNSTASH, then an arithmetic
        // or comparison instruction
        binary,
        // LOADLOCAL o, ENTERTOP, ENTERATTR b or LOADATTR b, ENTERTOP... (the path), LOADATTR m,
        // RESTORESCOPE, STASH: the start of a call of o.b....m(...), or of an index o.b...[i]
        methodcall,
        // LOADLOCAL o, ENTERTOP, the path, LOADATTR m, a LEAVE for each object entered: a read of o.b....m
        memberread,
        // LOADLOCAL f, RESTORESCOPE, STASH: the start of a call of f(...)
        functionfetch,
        // PUSHCONST number or string (or not), UNSTASH, CALL n: a call of the function the memory
        // stack holds
        call,
        // SAVESCOPE, LEAVE..., perhaps RETURN: the end of a call of o.m(...) or o.b....m(...)
        leave,
        // UNSTASH, then an arithmetic, comparison or logic instruction: an operation whose left operand
        // waited on the memory stack
        unstash,
        // LOADLOCAL x, STORELOCAL y
        store,
        // PTRLOCAL o, ENTERTOP, LOADATTR "get", CALL 0, LEAVE, ENTERTOP, ENTERATTR b... (the path),
        // PUSHCONST CLASS, STOREATTR m, PTRATTR m, a LEAVE for each object entered, ENTERTOP,
        // LOADATTR "set", CALL 1, LEAVE: the assignment o.b....m = the value on top of the data stack
        memberassignment,
        // SAVESCOPE, then LOADLOCAL x, LOADGLOBAL x or PUSHCONST number or string (the instruction in
        // `right`), when no longer run begins there
        load,
    };
    static constexpr std::size_t shapes = static_cast<std::size_t>(shape::load) + 1;
    shape form;
    byte opcode = 0;          // binary, unstash: the operation
    bool savesscope = false;  // a SAVESCOPE comes first
    // assignment: x; binary: a; methodcall, memberread, memberassignment: o; store: x; functionfetch: f
    vname name{};
    vname member{};           // methodcall, memberread, memberassignment: m; store: y
    instruction right{};      // binary: the instruction that pushes the right operand; call: the PUSHCONST; load: the push
    std::size_t count = 0;    // instructions in the run
    std::size_t end = 0;      // offset after the run
    std::int32_t arguments = 0;  // call: the count of CALL; leave: the LEAVEs
    std::size_t laststart = 0;   // call, unstash: the offset of the last instruction (CALL, the operation)
    std::vector<pathstep> path{};  // methodcall, memberread, memberassignment (entered steps only): b...
    // binary, load, unstash, memberread: a STASH, IF (of a body read ahead) or RETURN the run ends with;
    // leave: a RETURN
    std::optional<instruction> then{};
};

// The bytes of one code body: the program or a CODE operand cut out of it, kept as a range of the
// program's bytes (bodies nest, and copying each would cost the program's size times its depth).
// Its instructions are decoded the first time they run and kept with it. Each program loaded keeps
// its own source map: a function made by one program still runs, and is reported at its own lines,
// while a later program runs (the entries of a prompt).
class codeblock {
public:
    codeblock(std::shared_ptr<const std::vector<byte>> program, const sourcemap* positions, std::size_t origin,
              std::size_t size)
        : program(std::move(program)), positions(positions), origin(origin), length(size) {}

    std::span<const byte> bytes() const { return {program->data() + origin, length}; }
    std::size_t size() const { return length; }
    std::size_t offset() const { return origin; }  // where it starts in the program
    const sourcemap* sources() const { return positions; }  // null when the program came without one

private:
    friend class codecache;
    std::shared_ptr<const std::vector<byte>> program;
    const sourcemap* positions;
    std::size_t origin;
    std::size_t length;
    // Instructions in the order they were decoded: first a run in sequence from offset 0 (sorted by
    // offset), then any met later one by one, found through `later`.
    mutable std::vector<instruction> decoded;
    mutable std::size_t insequence = 0;
    mutable absl::flat_hash_map<std::size_t, std::size_t> later;
    mutable std::vector<fusedrun> fusions;
    mutable std::unique_ptr<variable> asblock;  // see codecache::blockfunction
};

// Owns every body of every program loaded and every constant read ahead.
class codecache {
public:
    explicit codecache(nametable& names) : names(names) {}

    // `positions` (which must outlive the machine) says where the program's bytes came from.
    const codeblock* load(const std::vector<byte>& program, const sourcemap* positions);

    // The body a CODE operand of `length` bytes at `offset` in `enclosing` stands for; the same
    // operand always gives the same body.
    const codeblock* cut(const codeblock& enclosing, std::size_t offset, std::size_t length);

    // The instruction at `offset` of `body`. `hint` is the index of the instruction expected there
    // (the one after the previous); it is updated to the index found.
    const instruction& at(const codeblock& body, std::size_t offset, std::size_t& hint) {
        if (hint < body.decoded.size() && body.decoded[hint].start == offset) return body.decoded[hint];
        return find(body, offset, hint);
    }
    const fusedrun& fusion(const codeblock& body, const instruction& head) const { return body.fusions[head.fused - 1]; }

    // The function value IF, WHILE and FOR run `body` as (null: the empty body), one for every run.
    // The call trace and the loop waiting for a pass hold it, and nothing else can: no program reads it,
    // and the block calls write only its receiver and fresh flag, which they reset. So it lives outside
    // the heap, with no serial: the values made after it are ordered among themselves as before.
    variable* blockfunction(const codeblock* body);

private:
    const instruction& find(const codeblock& body, std::size_t offset, std::size_t& hint);
    instruction decode(const codeblock& body, std::size_t offset);
    void decodeinsequence(const codeblock& body);
    void fuse(const codeblock& body);
    // Takes in `into` the operand `piece` where the instruction can use it read ahead (see instruction).
    bool readahead(const codeblock& body, operandkind kind, const operandpiece& piece, instruction& into);

    // A cut is known by its program, its offset there and its length: programs loaded one after
    // another have bodies at the same offsets.
    using cutkey = std::tuple<const std::vector<byte>*, std::size_t, std::size_t>;

    nametable& names;
    std::deque<codeblock> blocks;
    absl::flat_hash_map<cutkey, const codeblock*> cuts;
    std::deque<text> strings;
    std::unique_ptr<variable> emptyblock;
};

}  // namespace V4VM
