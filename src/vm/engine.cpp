// The interpreter loop: one instruction per cycle from the body on top of the code stack.
#include "vm/calls.hpp"
#include "vm/diagnostics.hpp"
#include "vm/fused.hpp"
#include "vm/lookup.hpp"
#include "vm/machine.hpp"
#include "vm/operands.hpp"
#include "vm/operations.hpp"

namespace V4VM {

namespace {

variable* named(variable* value, vname name) {
    value->name = name;
    return value;
}

bool inrange(byte low, byte high, byte value) { return low <= value && value < high; }

// The operand of the instruction that runs now: read ahead, or read from the body as it stands.
class operands {
public:
    operands(machine& vm, const instruction& in, frame& top) : vm(vm), in(in), top(top) {}

    vname name() {
        if (in.kind == instruction::operand::name) return in.nameoperand();
        return reader().getname();
    }
    std::int32_t count() {
        if (in.kind == instruction::operand::count) return in.integer;
        return reader().getcount();
    }
    // The body of IF, WHILE or FOR as a function value.
    variable* block() {
        if (in.kind == instruction::operand::block) return vm.code.blockfunction(in.block);
        return constant();
    }
    variable* constant() {
        if (variable* made = readaheadconstant(vm, in)) return made;
        return reader().getconstant();
    }

private:
    // Valid only until the instruction pushes a body: the code stack may move then.
    operandreader reader() { return operandreader(vm, *top.body, top.next); }

    machine& vm;
    const instruction& in;
    frame& top;
};

// The top of the data stack, left there.
variable* stacktop(machine& vm) {
    if (vm.datastack.empty()) machine::emptydatastack();
    return vm.datastack.back();
}

}  // namespace

void machine::makeunmademethods(const variable* owner) {
    std::erase_if(unmademethods, [&](const unmademethod& unmade) {
        variable*& place = memory[unmade.depth - 1];
        if (place != owner) return false;
        variable* method = findmember(*place, unmade.name);
        bindmember(place, *method, unmade.name);
        method->fresh = false;
        place = method;
        return true;
    });
}

void machine::unstashstandin() {
    variable* owner = memory.back();
    methods.givemethod(methodstandin, owner->attributes, unmademethods.back().name);
    methodstandin.self = owner;
    methodstandin.name = unmademethods.back().name;
    unmademethods.pop_back();
    memory.pop_back();
    push(&methodstandin);
}

void machine::stash() {
    variable* value = gettopvar();
    // A copy, or the top handed over, is held by the memory stack alone, which UNSTASH hands on.
    value->fresh = isvaluekind(value->identifier);
    memory.push_back(value);
}

void machine::storelocal(vname name) {
    variable* top = stacktop(*this);
    vname topname = top->name;
    scope& current = currentscope();
    variable* stored = named(takevar(top), name);
    current.set(name, stored);
    // Outside any entered object a local is also a member of the program root, where every function's
    // lookup finds it: a second copy of the top, which kept its own name.
    if (callstack.size() == 1) {
        variable* second = nullptr;
        if (stored == top) {
            // The top itself was stored (a flat value handed over, or a reference kind).
            second = getvar(stored);
            if (second != stored) second->name = topname;
        } else {
            second = getvar(top);
        }
        setmember(*callstack.back(), name, second);
    }
    poprawtop();
}

// One cycle once a body is known to run, inlined into both loops below: the loop that runs nested
// bodies is the hot path.
[[gnu::always_inline]] inline void machine::cycle() {
    if (values.collectiondue()) attendflag();
    execinstruction(codestack.back());
}

// A caught signal raises the same flag as a due collection: one test serves both, and what the flag
// asks for is done out of the loop.
void machine::attendflag() {
    raiseifinterrupted();
    gc.collectdue(*this);
}

void machine::execcycle() {
    if (codestack.empty()) integritycheck(*this);
    cycle();
}

void machine::rununtil(std::size_t depth) {
    while (codestack.size() > depth) cycle();
}

[[gnu::always_inline]] inline void machine::execinstruction(frame& top) {
    if (stacksmaybeempty) {
        integritycheck(*this);  // ends the run unless only the call trace is empty
        stacksmaybeempty = calltrace.empty();
    }
    // SAVESCOPE and RESTORESCOPE make no value and change no stack a cycle checks, so the instruction
    // after one runs in the same cycle, unless the body ends there or a collection is due.
    for (;;) {
        if (top.body == nullptr || top.next >= top.body->size()) return exitoutoffunc(*this);
        // Held by reference: bodies are decoded only where this fetch finds an instruction missing, never
        // while one runs.
        const instruction& in = code.at(*top.body, top.next, top.hint);
        top.current = in.start;
        countstep();
        if (in.fused != 0 && fusing) {
            const fusedrun& run = code.fusion(*top.body, in);
            // A run counts as the instructions it stands for; one that would pass the limit runs them one
            // by one, so that the limit stops the very instruction it reaches.
            bool withinlimit = settings.maxsteps == 0 || steps - 1 + run.count <= settings.maxsteps;
            if (withinlimit && !stacksmaybeempty && runfused(*this, run, top)) return;
        }
        ++top.hint;
        top.next = in.end;
        // The commonest instruction, ahead of the dispatch.
        if (in.opcode == SAVESCOPE) {
            savlvar = currentscope();
            if (goeson(top)) continue;
            return;
        }
        operands operand(*this, in, top);
        // Nothing may touch `top` once a body has been pushed: the code stack may have moved.
        byte opcode = in.opcode;
        if (inrange(ADD, DIV + 1, opcode)) return arithmetic(*this, opcode);
        if (inrange(GREATER, GREATEREQ + 1, opcode)) return comparison(*this, opcode);
        switch (opcode) {
            case LOADLOCAL: {
                vname name = operand.name();
                pushfetched(lookup::getlocalvar(*this, name), name);
                break;
            }
            case STORELOCAL:
                storelocal(operand.name());
                break;
            case LEAVE:
                lookup::goout(*this);
                break;
            case ENTERATTR: {
                vname name = operand.name();
                lookup::gointo(*this, lookup::getattribute(*this, currentobject(), name));
                break;
            }
            case LEAVEALL:
                while (callstack.size() > 1) lookup::goout(*this);
                break;
            case CALL:
                callfunc(*this, operand.count(), scope());
                break;
            case LOADATTR: {
                vname name = operand.name();
                variable* object = currentobject();
                pushmember(object, lookup::getattribute(*this, object, name), name);
                break;
            }
            case STOREATTR: {
                vname name = operand.name();
                variable* object = currentobject();
                setmember(*object, name, named(getvar(stacktop(*this)), name));
                poprawtop();
                break;
            }
            case LOADGLOBAL: {
                vname name = operand.name();
                pushfetched(lookup::getglobalvar(*this, name), name);
                break;
            }
            case STOREGLOBAL: {
                vname name = operand.name();
                variable* value = named(getvar(stacktop(*this)), name);
                globalvars[name.key()] = value;
                poprawtop();
                break;
            }
            case PUSHCONST:
                pushfresh(operand.constant());
                break;
            case PUSHCOPY:
                pushfresh(getcopy(stacktop(*this)));
                break;
            case RETURN:
                exitoutoffunc(*this);
                break;
            case EQUAL:
                equality(*this);
                break;
            case NOT: {
                variable* value = gettopvar();
                value->intval = value->getint() == 0 ? 1 : 0;
                value->identifier = vtype::builtin_int;
                push(value);
                break;
            }
            case AND:
            case OR:
            case XOR:
            case NOR:
                logic(*this, opcode);
                break;
            case STASH:
                stash();
                break;
            case UNSTASH:
                if (memory.empty()) error("Nothing to unstash.");
                unstash();
                break;
            case PTRLOCAL: {
                vname name = operand.name();
                pushfresh(named(getpointer(lookup::getlocalvar(*this, name)), name));
                break;
            }
            case PTRATTR: {
                vname name = operand.name();
                variable* object = currentobject();
                variable* pointer = getpointer(lookup::getattribute(*this, object, name));
                pointer->self = object;
                pushfresh(named(pointer, name));
                break;
            }
            case PTRGLOBAL: {
                vname name = operand.name();
                pushfresh(named(getpointer(lookup::getglobalvar(*this, name)), name));
                break;
            }
            case PTRTOP:
                pushfresh(getpointer(gettopvar()));
                break;
            case IF:
                runif(*this, operand.block());
                break;
            case POP:
                poprawtop();
                break;
            case WHILE:
                runwhile(*this, operand.block());
                break;
            case FOR:
                runfor(*this, operand.block());
                break;
            case RESTORESCOPE:
                if (!savlvar) error("No saved scope to restore.");
                currentscope() = *savlvar;
                if (goeson(top)) continue;
                break;
            case ASSIGN: {
                variable* target = poprawtop();
                variable* source = gettopvar();
                assign(*target, *source);
                break;
            }
            case DUP:
                stacktop(*this)->fresh = false;  // held twice now
                push(datastack.back());
                break;
            case ENTERTOP:
                lookup::gointo(*this, gettopvar());
                break;
            default:
                error("Unknown instruction.");
        }
        return;
    }
}

}  // namespace V4VM
