// The fused runs of code.hpp. Each leaves the machine exactly as its instructions would have: the same
// stacks, scopes, saved scope, names and payloads, and the same order of creation among the values that
// outlive the run. What it skips is only what nothing can observe afterwards: the temporary copies,
// pointers and method objects the instructions make and drop, the values they push and pop again, the
// objects entered and left, and the serials of values that never outlive the run (serials only order
// values made before against values made after).
#include "vm/fused.hpp"

#include <algorithm>

#include "vm/arithmetic.hpp"
#include "vm/calls.hpp"
#include "vm/lookup.hpp"
#include "vm/machine.hpp"
#include "vm/operands.hpp"
#include "vm/operations.hpp"

namespace V4VM {

namespace {

// The body goes on after the run's own instructions, which count as the instructions they stand for
// (the first is counted already), before any body they call runs. The instruction the run may end
// with (fusedrun::then) is passed over only as it runs: a failure before it leaves the body where
// the instruction that failed would have left it.
void advance(machine& vm, frame& top, const fusedrun& run) {
    std::size_t own = run.then ? run.count - 1 : run.count;
    top.next = run.then ? run.then->start : run.end;
    top.hint += own;
    if (vm.settings.maxsteps != 0) vm.steps += own - 1;
}

// The instruction the run ends with, if any, as it would run alone: STASH, IF or RETURN.
void runending(machine& vm, const fusedrun& run, frame& top) {
    if (!run.then) return;
    const instruction& last = *run.then;
    top.next = last.end;
    ++top.hint;
    if (vm.settings.maxsteps != 0) ++vm.steps;
    top.current = last.start;
    if (last.opcode == STASH)
        vm.stash();
    else if (last.opcode == IF)
        runif(vm, vm.code.blockfunction(last.block));
    else
        exitoutoffunc(vm);
}

bool isnumber(const variable& value) {
    return value.identifier == vtype::builtin_int || value.identifier == vtype::builtin_float;
}

// A number operand of a binary run that LOADLOCAL or PUSHCONST would push a copy of, without failing.
const variable* numberoperand(machine& vm, vname name) {
    const variable* value = lookup::findlocalvar(vm, name);
    return value != nullptr && isnumber(*value) && vm.copiesalone(*value) ? value : nullptr;
}

// LOADLOCAL a, STASH, SAVESCOPE, (LOADLOCAL b | PUSHCONST n), UNSTASH, operation: pushes a op b.
[[gnu::noinline]] bool binary(machine& vm, const fusedrun& run, frame& top) {
    const variable* left = numberoperand(vm, run.name);
    if (left == nullptr) return false;
    variable constant;
    const variable* right = &constant;
    if (run.right.kind == instruction::operand::name) {
        right = numberoperand(vm, run.right.nameoperand());
        if (right == nullptr) return false;
    } else if (run.right.kind == instruction::operand::integer) {
        constant.identifier = vtype::builtin_int;
        constant.intval = run.right.integer;
    } else {
        constant.identifier = vtype::builtin_float;
        constant.floatval = run.right.real;
    }

    variable* result = nullptr;
    byte opcode = run.opcode;
    if (opcode <= DIV) {
        if (left->identifier == vtype::builtin_float || right->identifier == vtype::builtin_float) {
            result = vm.newfloat(doarithmetic(left->getfloat(), right->getfloat(), opcode));
        } else {
            // The faults are left to the instructions.
            intoutcome value = intarithmetic(left->intval, right->intval, opcode);
            if (value.fault != intfault::none) return false;
            result = vm.newint(value.value);
        }
    } else if (opcode == EQUAL) {
        result = vm.newint(*right == *left ? 1 : 0);
    } else {
        result = vm.newint(docomparison(left->getfloat(), right->getfloat(), opcode) ? 1 : 0);
    }
    vm.savlvar = vm.databasestack.back();
    vm.pushfresh(result);
    advance(vm, top, run);
    runending(vm, run, top);
    return true;
}

// The assignments store a new object (PUSHCONST CLASS), take a pointer to it and give it the fields of
// the value on top of the data stack through the pointer's set, which copies a number, string or
// pointer first; they run alone when that copy could fail.
bool assignable(machine& vm) {
    if (vm.datastack.empty()) return false;
    const variable& value = *vm.datastack.back();
    return !isvaluekind(value.identifier) || vm.copiesalone(value);
}

// The object such an assignment stores, `value` popped. When nothing else held the value and the
// pointer finds what was stored, the value itself becomes that object, which would have been made
// now and given every field of it.
[[gnu::always_inline]] inline variable* storedobject(machine& vm, variable* value, bool pointerfindsit, vname name) {
    bool wasfresh = value->fresh;
    value->fresh = false;
    if (wasfresh && pointerfindsit) {
        value->serial = vm.values.reserve(1);
        return value;
    }
    variable* made = vm.values.make();
    made->identifier = vtype::custom_class;
    made->name = name;
    return made;
}

// The value on top of the data stack, then SAVESCOPE, PUSHCONST CLASS, STORELOCAL x, PTRLOCAL x,
// ENTERTOP, LOADATTR "set", CALL 1, LEAVE: x holds a fresh object that takes the value's fields.
[[gnu::noinline]] bool assignment(machine& vm, const fusedrun& run, frame& top) {
    if (!assignable(vm)) return false;
    scope& current = vm.databasestack.back();
    bool rootstore = vm.callstack.size() == 1;
    // PTRLOCAL finds the new object when the program root holds the name only through this store.
    bool foundfresh = rootstore ? vm.callstack.back() == vm.progroot : vm.findrootmember(run.name) == nullptr;
    variable* value = vm.datastack.back();
    vm.datastack.pop_back();
    vm.savlvar = current;

    variable* holder = storedobject(vm, value, foundfresh, run.name);
    current.set(run.name, holder);
    if (rootstore) vm.setmember(*vm.callstack.back(), run.name, holder);
    // What PTRLOCAL finds: the program root's member first, then the current scope, which holds the name now.
    vm.setthroughpointer(foundfresh ? *holder : *lookup::findlocalvar(vm, run.name), *value);
    advance(vm, top, run);
    return true;
}

// The local LOADLOCAL would push as it is, without copying it: one that is no number, string or
// pointer; null otherwise.
variable* referenceoperand(machine& vm, vname name) {
    variable* object = lookup::findlocalvar(vm, name);
    return object != nullptr && !isvaluekind(object->identifier) ? object : nullptr;
}

// What LOADLOCAL and the instruction that pops it leave on such a local: its name, and no claim to
// be held by the data stack alone.
void fetchedandpopped(variable& object, vname name) {
    object.name = name;
    object.fresh = false;
}

// The object the path leads to from `object`, found without changing anything; null when a member is
// missing, or when a loaded one is a number, string or pointer (LOADATTR would enter a copy of it).
variable* pathend(machine& vm, variable* object, const std::vector<pathstep>& path) {
    for (const pathstep& step : path) {
        if (object == nullptr) return nullptr;
        object = vm.findmember(*object, step.name);
        if (object != nullptr && step.loaded && isvaluekind(object->identifier)) return nullptr;
    }
    return object;
}

// Goes along a path that pathend found whole, as its instructions would: each loaded member is bound
// to the object it was read from and named, as LOADATTR leaves it. visit(member) sees each member.
template <typename visitor>
void walkpath(machine& vm, variable* object, const std::vector<pathstep>& path, visitor&& visit) {
    for (const pathstep& step : path) {
        variable* member = vm.findmember(*object, step.name);
        if (step.loaded) {
            vm.bindmember(object, *member, step.name);
            member->fresh = false;  // as ENTERTOP leaves it
        }
        visit(member);
        object = member;
    }
}

// The value on top of the data stack, then PTRLOCAL o, ENTERTOP, LOADATTR "get", CALL 0, LEAVE, ENTERTOP,
// ENTERATTR b..., PUSHCONST CLASS, STOREATTR m, PTRATTR m, LEAVE..., ENTERTOP, LOADATTR "set", CALL 1,
// LEAVE, where o is held by reference and each b exists: o.b....m holds a fresh object that takes the
// value's fields. The pointer to o, the methods called and the pointer to m are made and dropped, and
// every object entered is left.
[[gnu::noinline]] bool memberassignment(machine& vm, const fusedrun& run, frame& top) {
    if (!assignable(vm)) return false;
    // The pointer's get hands out a copy of a number, string or pointer: the store would go to that copy.
    variable* object = referenceoperand(vm, run.name);
    if (object == nullptr) return false;
    variable* owner = pathend(vm, object, run.path);
    if (owner == nullptr) return false;
    variable* value = vm.datastack.back();
    vm.datastack.pop_back();
    object->fresh = false;  // as ENTERTOP leaves what the get pushed
    if (run.savesscope) vm.savlvar = vm.databasestack.back();

    variable* holder = storedobject(vm, value, true, run.member);
    vm.setmember(*owner, run.member, holder);
    vm.setthroughpointer(*holder, *value);
    advance(vm, top, run);
    return true;
}

// The same run without a path where o is a number, string or pointer that copies alone and m one of
// its kind's built-in methods: LOADLOCAL pushes a copy and ENTERTOP enters it with the serials it takes
// from the data stack, each as it would alone; m, which only the entered copy leads to, waits on the
// memory stack unmade (see machine::unmademethod).
bool methodcallonvalue(machine& vm, const fusedrun& run, frame& top, variable& value) {
    const memberset& members = value.attributes;
    if (!run.path.empty() || !vm.copiesalone(value) || !members.islazy() ||
        vm.methods.of(members.kind()).find(run.member) < 0)
        return false;
    if (run.savesscope) vm.savlvar = vm.databasestack.back();
    variable* copy = vm.getcopy(&value);
    copy->name = run.name;
    copy->fresh = true;
    variable* entered = vm.takevar(copy);
    vm.callstack.push_back(entered);
    vm.databasestack.push_back(*vm.savlvar);
    vm.stashunmade(entered, run.member);
    advance(vm, top, run);
    return true;
}

// LOADLOCAL o, ENTERTOP, the path b..., LOADATTR m, RESTORESCOPE, STASH, where o and m are held by
// reference (no copies) and each b exists: o and each b are entered, the last with the saved scope, and
// m, bound to the last object entered, waits on the memory stack.
[[gnu::noinline]] bool methodcall(machine& vm, const fusedrun& run, frame& top) {
    if (!run.savesscope && !vm.savlvar) return false;
    variable* object = lookup::findlocalvar(vm, run.name);
    if (object == nullptr) return false;
    if (isvaluekind(object->identifier)) return methodcallonvalue(vm, run, top, *object);
    variable* owner = pathend(vm, object, run.path);
    if (owner == nullptr) return false;
    variable* method = vm.findmember(*owner, run.member);
    if (method == nullptr || isvaluekind(method->identifier)) return false;
    vm.gc.changed(*method);
    fetchedandpopped(*object, run.name);
    if (run.savesscope) vm.savlvar = vm.databasestack.back();
    vm.callstack.push_back(object);
    walkpath(vm, object, run.path, [&vm](variable* member) {
        vm.databasestack.emplace_back();
        vm.callstack.push_back(member);
    });
    vm.databasestack.push_back(*vm.savlvar);
    method->self = owner;
    method->name = run.member;
    method->fresh = false;
    vm.memory.push_back(method);
    advance(vm, top, run);
    return true;
}

// LOADLOCAL o, ENTERTOP, the path b..., LOADATTR m, LEAVE..., where o is held by reference, each b
// exists and m exists and copies alone: what LOADATTR pushes, without entering anything.
[[gnu::noinline]] bool memberread(machine& vm, const fusedrun& run, frame& top) {
    variable* object = referenceoperand(vm, run.name);
    if (object == nullptr) return false;
    variable* owner = pathend(vm, object, run.path);
    if (owner == nullptr) return false;
    variable* member = vm.findmember(*owner, run.member);
    if (member == nullptr || (isvaluekind(member->identifier) && !vm.copiesalone(*member))) return false;
    if (run.savesscope) vm.savlvar = vm.databasestack.back();
    fetchedandpopped(*object, run.name);
    bool loads = std::any_of(run.path.begin(), run.path.end(), [](const pathstep& step) { return step.loaded; });
    if (loads) walkpath(vm, object, run.path, [](variable*) {});
    vm.pushmember(owner, member, run.member);
    advance(vm, top, run);
    runending(vm, run, top);
    return true;
}

// LOADLOCAL f, RESTORESCOPE, STASH, where f is held by reference: f waits on the memory stack.
[[gnu::noinline]] bool functionfetch(machine& vm, const fusedrun& run, frame& top) {
    if (!run.savesscope && !vm.savlvar) return false;
    variable* function = referenceoperand(vm, run.name);
    if (function == nullptr) return false;
    if (run.savesscope) vm.savlvar = vm.databasestack.back();
    fetchedandpopped(*function, run.name);
    vm.databasestack.back() = *vm.savlvar;
    vm.memory.push_back(function);
    advance(vm, top, run);
    return true;
}

// [PUSHCONST c,] UNSTASH, CALL n.
[[gnu::noinline]] bool call(machine& vm, const fusedrun& run, frame& top) {
    if (vm.memory.empty()) return false;
    variable* constant = readaheadconstant(vm, run.right);
    if (run.savesscope) vm.savlvar = vm.databasestack.back();
    if (constant != nullptr) vm.pushfresh(constant);
    vm.unstashforcall();
    // As CALL itself would: the report of an error in the call points at it.
    top.current = run.laststart;
    advance(vm, top, run);
    callfunc(vm, run.arguments, scope());
    return true;
}

// UNSTASH, then an operation, which runs once the body has moved past it, as the instruction alone
// would: its failures leave the machine as the instruction's do.
[[gnu::noinline]] bool unstash(machine& vm, const fusedrun& run, frame& top) {
    if (vm.memory.empty()) return false;
    if (run.savesscope) vm.savlvar = vm.databasestack.back();
    vm.unstash();
    top.current = run.laststart;
    advance(vm, top, run);
    operate(vm, run.opcode);
    runending(vm, run, top);
    return true;
}

// SAVESCOPE, LEAVE..., perhaps RETURN.
[[gnu::noinline]] bool leave(machine& vm, const fusedrun& run, frame& top) {
    // Only the last instruction may empty a stack: the machine checks them before every other one.
    auto leaves = static_cast<std::size_t>(run.arguments);
    bool last = leaves == 1 && !run.then;
    if (!last && (vm.callstack.size() <= leaves || vm.databasestack.size() <= leaves)) return false;
    vm.savlvar = vm.databasestack.back();
    for (std::size_t left = leaves; left > 0; --left) lookup::goout(vm);
    advance(vm, top, run);
    runending(vm, run, top);
    return true;
}

// LOADLOCAL x, STORELOCAL y.
[[gnu::noinline]] bool store(machine& vm, const fusedrun& run, frame& top) {
    variable* value = lookup::findlocalvar(vm, run.name);
    if (value == nullptr) return false;
    if (run.savesscope) vm.savlvar = vm.databasestack.back();
    vm.pushfetched(value, run.name);
    vm.storelocal(run.member);
    advance(vm, top, run);
    return true;
}

// SAVESCOPE, then LOADLOCAL x, LOADGLOBAL x or PUSHCONST c, where x exists. The push itself runs once
// the body has moved past it, as the instruction alone would: a copy that fails (too deep) leaves the
// machine as the instruction's failure does.
[[gnu::noinline]] bool load(machine& vm, const fusedrun& run, frame& top) {
    const instruction& in = run.right;
    vname name = in.nameoperand();
    variable* value = nullptr;
    if (in.opcode == LOADLOCAL) {
        value = lookup::findlocalvar(vm, name);
    } else if (in.opcode == LOADGLOBAL) {
        auto found = vm.globalvars.find(name.key());
        if (found != vm.globalvars.end()) value = found->second;
    }
    if (value == nullptr && in.opcode != PUSHCONST) return false;
    vm.savlvar = vm.databasestack.back();
    top.current = in.start;
    advance(vm, top, run);
    if (value == nullptr)
        vm.pushfresh(readaheadconstant(vm, in));
    else
        vm.pushfetched(value, name);
    runending(vm, run, top);
    return true;
}

}  // namespace

// Each run is out of line and found in a table by its shape: the dispatch is then one indirect call,
// and each run saves only the registers it uses, where one function holding them all saved every
// register for every run. In the order of fusedrun::shape.
const std::array<fusedhandler, fusedrun::shapes> fusedhandlers = {
    assignment, binary, methodcall, memberread, functionfetch, call, leave, unstash, store, memberassignment, load,
};

}  // namespace V4VM
