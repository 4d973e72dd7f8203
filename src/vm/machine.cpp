#include "vm/machine.hpp"

#include <iostream>
#include <new>

#include "common/consoleoutput.hpp"
#include "common/positionreport.hpp"

#include "vm/calls.hpp"
#include "vm/diagnostics.hpp"

namespace V4VM {

machine::machine() = default;

machine::~machine() = default;

vname machine::moreargname(std::size_t index) {
    // Calls take few arguments; a count in raw bytecode may be huge but is only read as far as the data
    // stack goes, so only the usual names are kept at hand.
    constexpr std::size_t keptnames = 64;
    if (index >= keptnames) return names.intern("arg" + std::to_string(index));
    while (argnames.size() <= index) argnames.push_back(names.intern("arg" + std::to_string(argnames.size())));
    return argnames[index];
}

void machine::startmachine() {
    databasestack.emplace_back();
    progroot = values.make();
    progroot->identifier = vtype::builtin_func;
    progroot->name = name("PROGRAM_ROOT");
    callstack.push_back(progroot);
    calltrace.push_back(progroot);
    globalvars[name("progroot").key()] = progroot;
}

void machine::loadprogram(const std::vector<byte>& program) {
    codestack.insert(codestack.begin(), frame{code.load(program, settings.positions)});
}

namespace {

// While a run lasts, a caught signal also raises the flag the loop tests before every instruction.
class interruptalarm {
public:
    explicit interruptalarm(std::atomic<bool>& flag) {
        setinterruptalarm(&flag);
        if (pendinginterrupt() != 0) flag.store(true);  // caught before the run began
    }
    ~interruptalarm() { setinterruptalarm(nullptr); }
    interruptalarm(const interruptalarm&) = delete;
    interruptalarm& operator=(const interruptalarm&) = delete;
};

}  // namespace

runoutcome machine::run() {
    runoutcome outcome;
    if (runtoend(outcome.report, [&] { finished(outcome); }) == ending::consoleclosed) outcome.status = closedpipestatus;
    return outcome;
}

machine::ending machine::runtoend(std::string& report, const std::function<void()>& onfinish) {
    interruptalarm alarm(values.interruptflag());
    try {
        try {
            rununtil(0);
        } catch (const programfinished&) {
        }
        onfinish();
        return ending::finished;
    } catch (const vmerror& failure) {
        report = errorreport(*this, failure);
    } catch (const std::bad_alloc&) {
        // Whatever the failed step was building is freed by now.
        report = errorreport(*this, vmerror{"Out of memory.", innative});
    } catch (const consoleclosed&) {
        return ending::consoleclosed;
    }
    return ending::failed;
}

void machine::finished(runoutcome& outcome) const {
    outcome.status = finishcode(*this).value_or(0) & 0xff;
    outcome.finish = finishline(*this);
}

std::vector<std::string> machine::closefiles() {
    if (!library) return {};
    return library->close();
}

void machine::unwind(std::size_t datadepth) {
    codestack.clear();
    pending.clear();
    calltrace.assign(1, progroot);
    callstack.assign(1, progroot);
    // Raw bytecode may have left the root scope itself; then the next run starts from an empty one.
    if (databasestack.empty()) databasestack.emplace_back();
    databasestack.resize(1);
    if (datastack.size() > datadepth) datastack.resize(datadepth);
    memory.clear();
    unmademethods.clear();
    savlvar.reset();
    lastdeldatabase = scope();
    nativearguments.clear();
    innative = false;
    stacksmaybeempty = true;
}

void machine::emptydatastack() { error("Data stack is empty."); }

variable* machine::gettopvar() {
    if (datastack.empty()) emptydatastack();
    variable* top = takevar(datastack.back());
    datastack.pop_back();
    return top;
}

variable* machine::takevar(variable* top) {
    if (top->fresh && isvaluekind(top->identifier) && copiesalone(*top)) {
        // Nothing else holds the top, so no one can tell it from the copy getvar would make: it only
        // takes the copy's serials.
        top->fresh = false;
        top->serial = values.reserve(1);
        renumbermethods(*top);
        return top;
    }
    top->fresh = false;
    return isvaluekind(top->identifier) ? copyoutofline(top) : top;
}

void machine::pushfetched(variable* value, vname name) {
    variable* fetched = getvar(value);
    fetched->name = name;
    if (fetched != value)
        pushfresh(fetched);
    else
        push(fetched);
}

void machine::pushmember(variable* object, variable* member, vname name) {
    variable* fetched = getvar(member);
    bindmember(object, *fetched, name);
    // A copy is held by the data stack alone, as a fetched local's is.
    if (fetched != member)
        pushfresh(fetched);
    else
        push(fetched);
}

namespace {

// Whether copying `value` certainly ends without "Nesting too deep.": then only the copy's identity
// (and its serial, which orders it among values made later, but never among those made before) tells
// it from the value, and the copy can be skipped where it would only be read and dropped.
bool copiesflat(machine& vm, const variable& value) {
    if (copiesreceiver(value) || !value.dictval().empty()) return false;
    bool flat = true;
    vm.foreachmademember(value, [&flat](const variable* member) {
        if (copiesreceiver(*member) || !member->attributes.empty() || !member->dictval().empty()) flat = false;
    });
    return flat;
}

}  // namespace

variable* machine::popforreading() {
    variable* top = poprawtop();
    return copiesflat(*this, *top) ? top : getvar(top);
}

scope& machine::currentscope() {
    if (databasestack.empty()) integritycheck(*this);
    return databasestack.back();
}

variable* machine::currentobject() {
    if (callstack.empty()) integritycheck(*this);
    if (!unmademethods.empty()) makeunmademethods(callstack.back());
    return callstack.back();
}

}  // namespace V4VM
