#include "vm/calls.hpp"

#include "vm/diagnostics.hpp"
#include "vm/machine.hpp"

namespace V4VM {

namespace {

void popcalltrace(machine& vm) {
    if (!vm.calltrace.empty()) vm.calltrace.pop_back();
}

void enterbody(machine& vm, const codeblock* body, scope&& frame, variable* callee) {
    if (vm.codestack.size() >= maxcodebodies) error("Too many nested calls.");
    vm.codestack.push_back({body, callee});
    vm.databasestack.push_back(std::move(frame));
}

}  // namespace

void callfunc(machine& vm, std::int32_t argnum, const scope& targs) {
    scope frame = targs;
    variable* function = vm.poprawtop();
    // Counted down from the count itself: raw bytecode may give any count, the least integer included.
    for (std::int32_t left = argnum; left > 0; --left) {
        variable* argument = vm.poprawtop();
        frame.set(vm.argname(static_cast<std::size_t>(left - 1)), argument);
    }
    variable* receiver = function->self;
    vm.calltrace.push_back(function);

    if (function->ismodule) {
        if (mfuncptr native = function->modulefunc()) {
            vm.innative = true;
            native(vm, receiver, frame);
            vm.innative = false;
        }
        popcalltrace(vm);
        return;
    }
    if (receiver != nullptr) frame.set(vm.selfname, receiver);
    if (function->identifier == vtype::custom_func) return enterbody(vm, function->funccode(), std::move(frame), function);

    variable* instance = vm.getcopy(function);
    frame.set(vm.selfname, instance);
    if (variable* constructor = vm.findmember(*instance, vm.initname)) {
        keepalive keepinstance(vm, instance);
        standalonefunccall(vm, constructor, frame, instance);
        popcalltrace(vm);
        vm.push(instance);
        return;
    }
    vm.push(instance);
    enterbody(vm, nullptr, std::move(frame), function);
}

void standalonefunccall(machine& vm, variable* target, const scope& args, variable* self) {
    keepalive keeptarget(vm, target);
    vm.gc.changed(*target);
    target->self = self;
    vm.push(target);
    std::size_t depth = vm.codestack.size();
    callfunc(vm, 0, args);
    vm.rununtil(depth);
}

void exitoutoffunc(machine& vm) {
    if (vm.codestack.size() <= 1) throw programfinished{};
    vm.codestack.pop_back();
    popcalltrace(vm);
    if (vm.databasestack.empty()) return;
    vm.lastdeldatabase = std::move(vm.databasestack.back());
    vm.databasestack.pop_back();
}

// standalonefunccall(block, names, nullptr) for the body of an IF, WHILE or FOR, kept alive by the
// caller: the body of a CODE operand skips the data stack, which would hold it only until the call
// takes it.
void runblock(machine& vm, variable* block, const scope& names) {
    if (block->ismodule || block->identifier != vtype::custom_func) {
        // A block that is no code (raw bytecode may give a class or a native) may run no instruction,
        // yet leave a value a WHILE takes for its next pass: its call counts as a step, so that the
        // step limit ends such a loop too.
        vm.countstep();
        return standalonefunccall(vm, block, names, nullptr);
    }
    block->self = nullptr;
    block->fresh = false;
    vm.calltrace.push_back(block);
    std::size_t depth = vm.codestack.size();
    enterbody(vm, block->funccode(), scope(names), nullptr);
    vm.rununtil(depth);
}

void runif(machine& vm, variable* block) {
    keepalive keepblock(vm, block);
    if (vm.popforreading()->getint() != 0) runblock(vm, block, vm.currentscope());
}

void runwhile(machine& vm, variable* block) {
    scope names = vm.currentscope();
    keepalive keepblock(vm, block);
    keepalive keepnames(vm, names);
    while (vm.popforreading()->getint() != 0) {
        runblock(vm, block, names);
        names = vm.lastdeldatabase;
    }
}

void runfor(machine& vm, variable* block) {
    keepalive keepblock(vm, block);
    variable* collection = vm.popforreading();
    // The elements the collection holds now: the body may change it without changing the loop.
    std::vector<variable*> elements;
    if (collection->identifier == vtype::builtin_list)
        elements = collection->listval();
    else if (collection->identifier == vtype::builtin_dict)
        for (const auto& [key, value] : collection->dictval()) elements.push_back(key);
    scope names = vm.currentscope();
    keepalive keepcollection(vm, collection);
    keepalive keepelements(vm, elements);
    keepalive keepnames(vm, names);
    for (variable* element : elements) {
        names.set(vm.elementname, element);
        runblock(vm, block, names);
        names = vm.lastdeldatabase;
    }
}

}  // namespace V4VM
