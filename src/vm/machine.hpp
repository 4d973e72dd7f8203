#pragma once

#include <absl/container/flat_hash_map.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/runsettings.hpp"
#include "vm/code.hpp"
#include "vm/collector.hpp"
#include "vm/continuation.hpp"
#include "vm/diagnostics.hpp"
#include "vm/heap.hpp"
#include "vm/hostdata.hpp"
#include "vm/methodtables.hpp"
#include "vm/names.hpp"
#include "vm/rootmembers.hpp"
#include "vm/scope.hpp"
#include "vm/value.hpp"
#include "vm/vm.hpp"

namespace V4VM {

// A running code body: its bytes and the offset of the next byte to execute; the bytes not yet
// executed are those from `next` on. `hint` is the index of the decoded instruction expected there.
// `current` is the offset of the instruction running (or that ran last), and `callee` the function a
// call entered the body for (null for the program and for the bodies of IF, WHILE and FOR): where an
// error report finds the source line and the chain of calls.
// The alignment pads a frame from 40 bytes to 64: the depth of the code stack is read at every cycle,
// and with a power of two as the size that is a shift, not a division.
struct alignas(32) frame {
    const codeblock* body;
    variable* callee = nullptr;
    std::size_t next = 0;
    std::size_t hint = 0;
    std::size_t current = 0;
};

// Most code bodies that may be running at once, the program's included ("Too many nested calls.").
inline constexpr std::size_t maxcodebodies = 10000;

// The machine: every piece of its state, owned here and nowhere else. A fresh machine is a reset one.
// Stacks are vectors whose back is the top.
class machine {
public:
    machine();
    machine(const machine&) = delete;
    machine& operator=(const machine&) = delete;
    ~machine();

    nametable names;
    heap values;  // declared before everything that holds values, so that it is destroyed last
    methodtables methods;
    codecache code{names};
    collector gc{values};
    std::unique_ptr<hostlibrary> library;  // the library's state, such as the files open

    std::vector<variable*> datastack;
    std::vector<variable*> callstack;      // entered objects; the program root at the bottom
    std::vector<scope> databasestack;      // local scopes; the root scope at the bottom
    scope lastdeldatabase;                 // the scope of the body that ended last
    absl::flat_hash_map<const std::string*, variable*> globalvars;
    std::vector<frame> codestack;          // running bodies; the program at the bottom
    std::vector<variable*> calltrace;      // running functions, for the error report
    std::vector<variable*> memory;         // STASH and UNSTASH
    std::optional<scope> savlvar;          // only the newest saved scope is ever read
    std::vector<continuation> pending;     // what waits for running bodies, innermost on top
    std::vector<variable*> nativearguments;  // the arguments of the running native (no native calls another)
    variable* progroot = nullptr;

    // How the run is reported (quietly, with the source positions of the program) and how far it may go.
    runsettings settings;
    std::uint64_t steps = 0;  // instructions executed
    // One more step: past the limit, the machine error "Step limit reached."
    void countstep() {
        if (settings.maxsteps != 0 && ++steps > settings.maxsteps) error("Step limit reached.");
    }
    bool innative = false;    // a native is running: an error it raises is "within module"
    // Whether fused runs (code.hpp) stand for their instructions; off, every instruction runs alone,
    // which must print the same.
    bool fusing = true;

    // The first steps of start-up: root scope, program root on callstack and calltrace, global
    // "progroot". The library then fills the method tables and gives the program root its built-ins.
    void startmachine();
    // Makes `program` (bytes in execution order) the body at the bottom of the code stack.
    void loadprogram(const std::vector<byte>& program);
    // Runs until the program finishes or fails, and says how it ended.
    runoutcome run();
    // Runs `program` as an entry of a session: see machinesession::runentry.
    entryoutcome runentry(const std::vector<byte>& program, const sourcemap& positions, showing show);
    // Lets the library close what the program left open (every file); returns the refusals met, to
    // report without a place.
    std::vector<std::string> closefiles();
    // Back to the outermost level after a run ended, however it ended: no body running and nothing
    // waiting for one, the program root the only object entered, over the root scope as the run left
    // it, at most `datadepth` values on the data stack, the holding stack and the saved scope empty.
    // The next program loaded runs in this machine with every name and value kept.
    void unwind(std::size_t datadepth);

    // One cycle: the integrity check, then one instruction of the top body, or leaving it when it
    // has ended.
    void execcycle();
    // Whether the call stack, the scope stack or the call trace may have run empty since the
    // integrity check last found them all holding something: set wherever one is popped, so that
    // the check before each instruction is one test while they hold something.
    bool stacksmaybeempty = true;
    void noteifemptied() {
        if (callstack.empty() || databasestack.empty() || calltrace.empty()) stacksmaybeempty = true;
    }
    // Cycles until the code stack is back to `depth` bodies: the body pushed last has ended.
    void rununtil(std::size_t depth);

    vname name(std::string_view text) { return names.intern(text); }
    // "arg0", "arg1", ...: the usual ones at hand, inline, since every call names its arguments.
    vname argname(std::size_t index) { return index < argnames.size() ? argnames[index] : moreargname(index); }

    // Names the machine itself uses.
    const vname selfname = names.intern("self");
    const vname initname = names.intern("init");
    const vname elementname = names.intern("ELEMENT");

    // Fresh heap values.
    variable* getallocvar(vtype type = vtype::none);  // with its kind's methods for the four method kinds
    // Inline: nearly every operation makes a number.
    variable* newint(std::int32_t value) {
        variable* result = values.make();
        result->identifier = vtype::builtin_int;
        result->intval = value;
        return result;
    }
    variable* newfloat(float value) {
        variable* result = values.make();
        result->identifier = vtype::builtin_float;
        result->floatval = value;
        return result;
    }
    variable* newstring(text value);
    variable* newstring(std::string_view value) { return newstring(text(value)); }
    variable* newlist(std::vector<variable*> elements = {});
    void attachmethods(variable& target, methodkind kind) { methods.attach(values, target, kind); }

    // The value to use when `value` is fetched: a copy for the value kinds, the value itself otherwise.
    variable* getvar(variable* value) { return isvaluekind(value->identifier) ? getcopy(value) : value; }
    // Most copies are of plain numbers: a fresh value takes their fields and nothing else. Inline, for
    // them; the others are made out of line.
    variable* getcopy(variable* value) {
        if (!value->holdsonlyfields() || copiesreceiver(*value)) return copywithmore(value);
        variable* copy = values.make();
        copy->assignfields(*value);
        return copy;
    }
    // Gives a value whose methods are still a note the serials a copy's methods get: reserved now, in
    // the order of their names.
    void renumbermethods(variable& value);
    // Whether a copy of `value` is the value with new serials and nothing else: no member, receiver
    // or dictionary entry is met on the way.
    bool copiesalone(const variable& value) {
        if (copiesreceiver(value)) return false;
        if (value.more == nullptr && value.attributes.empty()) return true;
        return copiesalonewithmembers(value);
    }
    // Whether `value`, popped from the stack that alone held it, is a number that holds nothing else:
    // the result of an operation on it may then be made in its cell (see remake).
    static bool isspare(const variable& value) {
        return value.fresh && (value.identifier == vtype::builtin_int || value.identifier == vtype::builtin_float) &&
               !value.old && !value.ismodule && !value.alreadycopied && value.self == nullptr &&
               value.reference == 0 && value.holdsonlyfields();
    }
    // A number made in the cell of `spare` when there is one (see isspare), or a new one: nothing held
    // the cell, so nothing can tell it from a new value, and the machine makes one value fewer. Of the
    // fields a new value starts with, a spare one differs only in those set here.
    variable* newint(std::int32_t value, variable* spare) {
        if (spare == nullptr) return newint(value);
        remake(*spare, vtype::builtin_int);
        spare->intval = value;
        return spare;
    }
    variable* newfloat(float value, variable* spare) {
        if (spare == nullptr) return newfloat(value);
        remake(*spare, vtype::builtin_float);
        spare->floatval = value;
        return spare;
    }
    variable* getpointer(variable* value);
    // Before the elements of `list` change (or the list is assigned over): a FOR loop that reads them
    // in place as its snapshot gets a copy of its own. Inline, since every assignment asks.
    void beforelistchange(variable& list) {
        if (list.more && list.more->snapshot.taken) givesnapshots(list);
    }
    // `target` = `source` with every field but identity (the ASSIGN instruction, a pointer's set).
    void assign(variable& target, const variable& source);
    // The same for a copy of a number, string or pointer, or the value standing for one: where the
    // source's methods are a note, the target's are a note of its own with new serials, and the
    // source's note stays its own (see memberset::maybemade).
    void assigncopy(variable& target, const variable& source);
    // A pointer's set of `value`: what it takes the fields from is getvar(value), but for a number,
    // string or pointer that copies alone, which stands for its copy: the copy would only be dropped
    // once the target has its fields.
    variable* fetchforset(variable* value) {
        return isvaluekind(value->identifier) && !copiesalone(*value) ? getcopy(value) : value;
    }
    // Then the set itself, `from` being what fetchforset gave.
    void setthroughpointer(variable& target, const variable& from) {
        if (isvaluekind(from.identifier))
            assigncopy(target, from);
        else
            assign(target, from);
    }

    // Members, built-in methods included.
    variable* findmember(variable& owner, vname name);  // null when absent
    variable* findrootmember(vname name);                // findmember(*progroot, name)
    void setmember(variable& owner, vname name, variable* value);
    // Calls visit(name) for every member name, in no particular order.
    template <typename visitor>
    void foreachmembername(const variable& owner, visitor&& visit) const;
    // Every member that exists as an object, for the collector.
    template <typename visitor>
    void foreachmademember(const variable& owner, visitor&& visit);

    [[noreturn]] static void emptydatastack();  // "Data stack is empty."
    variable* poprawtop() {
        if (datastack.empty()) emptydatastack();
        variable* top = datastack.back();
        top->fresh = false;
        datastack.pop_back();
        return top;
    }
    variable* gettopvar();       // the top through getvar
    // getvar(top) for the top of the data stack about to be popped: the top itself when nothing
    // else holds it.
    variable* takevar(variable* top);
    variable* popforreading();   // gettopvar for a value only read and dropped (see machine.cpp)
    void push(variable* value) { datastack.push_back(value); }
    // Pushes a value that nothing else holds (see variable::fresh).
    void pushfresh(variable* value) {
        value->fresh = true;
        datastack.push_back(value);
    }
    // Pushes getvar(value) under `name`.
    void pushfetched(variable* value, vname name);
    // LOADATTR's push: getvar(member) under `name`, bound to `object`, the object the member was read from.
    void pushmember(variable* object, variable* member, vname name);
    // What LOADATTR leaves on the value it pushes: bound to `object` and named.
    void bindmember(variable* object, variable& fetched, vname name) {
        gc.changed(fetched);
        fetched.self = object;
        fetched.name = name;
    }
    // STORELOCAL: the top of the data stack becomes the local `name`.
    void storelocal(vname name);
    // STASH: the top of the data stack goes to the memory stack.
    void stash();
    // UNSTASH once the memory stack is known to hold something: its last value goes back to the data stack.
    void unstash() {
        if (unmadeontop()) makeunmademethods(memory.back());
        push(memory.back());
        memory.pop_back();
    }
    // The same for a CALL that follows at once: a method left unmade is called as the stand-in.
    void unstashforcall() {
        if (unmadeontop()) return unstashstandin();
        unstash();
    }
    // A built-in method a fused run fetched from the copy it entered, not made (see fused.cpp): the
    // memory stack holds the copy in the method's place, at `depth` (counting from 1). Nothing can
    // tell, since only the entered copy leads to the method, until the copy is read as the current
    // object or the method is unstashed; then the method is made as LOADATTR would have made it.
    struct unmademethod {
        std::size_t depth;
        vname name;
    };
    std::vector<unmademethod> unmademethods;
    bool unmadeontop() const { return !unmademethods.empty() && unmademethods.back().depth == memory.size(); }
    void stashunmade(variable* entered, vname name) {
        memory.push_back(entered);
        unmademethods.push_back({memory.size(), name});
    }
    scope& currentscope();
    variable* currentobject();

private:
    enum class ending { finished, failed, consoleclosed };
    // Runs the loaded bodies until the program finishes (then `onfinish` runs, its errors those of the
    // run) or fails, when `report` gets the error report made from the stacks as the error left them.
    ending runtoend(std::string& report, const std::function<void()>& onfinish);
    // Whether the program's own body ended with its RETURN: an entry then shows what it returned.
    bool returnedatoutermost() const;
    void cycle();
    [[gnu::noinline]] void attendflag();
    void execinstruction(frame& top);
    // Whether the instruction after one that changed nothing a cycle checks may run in the same cycle.
    bool goeson(const frame& top) const { return top.next < top.body->size() && !values.collectiondue(); }
    void finished(runoutcome& outcome) const;
    bool copiesalonewithmembers(const variable& value);
    variable* copywithmore(variable* value);
    // Makes each method left unmade on `owner`, in its place on the memory stack.
    [[gnu::noinline]] void makeunmademethods(const variable* owner);
    [[gnu::noinline]] void unstashstandin();
    // What a CALL of a method left unmade calls: a value outside the heap with the method's native
    // and shape, bound and named as the method would be; the call trace shows it while it runs.
    variable methodstandin;
    // findmember of a built-in method of a note, apart: the ordinary members' lookup stays small.
    [[gnu::noinline]] variable* findnotedmethod(variable& owner, vname name);
    // getcopy out of line, for the paths where a copy is rare and inlining it would cost every call
    // the registers its common path saves.
    [[gnu::noinline]] variable* copyoutofline(variable* value);
    void givesnapshots(variable& list);
    void beforeassign(variable& target, const variable& source);
    void givefreshnote(variable& target, methodkind kind);
    void remake(variable& spare, vtype type) {
        spare.identifier = type;
        spare.name = vname();
        spare.intval = 0;
        spare.floatval = 0;
        spare.serial = values.reserve(1);
    }

    std::vector<vname> argnames;
    vname moreargname(std::size_t index);
    rootmembers rootanswers;
};

template <typename visitor>
void machine::foreachmembername(const variable& owner, visitor&& visit) const {
    if (owner.attributes.islazy()) {
        const methodtable& table = methods.of(owner.attributes.kind());
        for (std::uint8_t index : table.inkeyorder) visit(table.entries[index].name);
    } else if (const membermap* plain = owner.attributes.plain()) {
        for (const auto& [key, member] : *plain) visit(key);
    }
}

template <typename visitor>
void machine::foreachmademember(const variable& owner, visitor&& visit) {
    if (owner.attributes.islazy()) {
        if (!owner.attributes.maybemade()) return;
        std::size_t count = methods.of(owner.attributes.kind()).entries.size();
        for (std::size_t index = 0; index < count; ++index)
            if (variable* made = methods.ifmade(values, owner.attributes, index)) visit(made);
    } else if (const membermap* plain = owner.attributes.plain()) {
        for (const auto& [key, member] : *plain) visit(member);
    }
}

}  // namespace V4VM
