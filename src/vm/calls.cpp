#include "vm/calls.hpp"

#include <algorithm>

#include "vm/diagnostics.hpp"
#include "vm/machine.hpp"
#include "vm/nativeargs.hpp"

namespace V4VM {

namespace {

void popcalltrace(machine& vm) {
    if (!vm.calltrace.empty()) vm.calltrace.pop_back();
    vm.noteifemptied();
}

void enterbody(machine& vm, const codeblock* body, scope&& frame, variable* callee) {
    if (vm.codestack.size() >= maxcodebodies) error("Too many nested calls.");
    vm.codestack.push_back({body, callee});
    vm.databasestack.push_back(std::move(frame));
}

// A native reads its arguments where they are: popped into the machine's buffer, the last argument
// first off the data stack, as a body's scope would have them.
void callnative(machine& vm, variable* function, std::int32_t argnum, const scope& frame) {
    std::vector<variable*>& popped = vm.nativearguments;
    popped.clear();
    for (std::int32_t left = argnum; left > 0; --left) popped.push_back(vm.poprawtop());
    std::reverse(popped.begin(), popped.end());
    vm.calltrace.push_back(function);
    if (mfuncptr native = function->modulefunc()) {
        vm.innative = true;
        native(vm, function->self, nativeargs(popped, frame));
        vm.innative = false;
    }
    popcalltrace(vm);
}

// The call itself; what waits for it is resumed by the instruction that made it. A class with a
// constructor leaves its instance waiting and calls the constructor in its place, on the same
// scope: a loop rather than a recursion, since a constructor may be a class in turn.
void startcall(machine& vm, std::int32_t argnum, const scope& targs) {
    scope frame = targs;
    for (;;) {
        variable* function = vm.poprawtop();
        if (function->ismodule) return callnative(vm, function, argnum, frame);
        // Counted down from the count itself: raw bytecode may give any count, the least integer included.
        for (std::int32_t left = argnum; left > 0; --left) {
            variable* argument = vm.poprawtop();
            frame.set(vm.argname(static_cast<std::size_t>(left - 1)), argument);
        }
        variable* receiver = function->self;
        vm.calltrace.push_back(function);

        if (receiver != nullptr) frame.set(vm.selfname, receiver);
        if (function->identifier == vtype::custom_func)
            return enterbody(vm, function->funccode(), std::move(frame), function);

        variable* instance = vm.getcopy(function);
        frame.set(vm.selfname, instance);
        variable* constructor = vm.findmember(*instance, vm.initname);
        if (constructor == nullptr) {
            vm.push(instance);
            return enterbody(vm, nullptr, std::move(frame), function);
        }
        vm.pending.push_back({continuation::kind::construct, vm.codestack.size(), instance});
        vm.gc.changed(*constructor);
        constructor->self = instance;
        vm.push(constructor);
        argnum = 0;
    }
}

// Starts one pass of a block over `names`, with no receiver: a body of code, or any other value
// called as a function.
void runblock(machine& vm, variable* block, const scope& names) {
    if (block->ismodule || block->identifier != vtype::custom_func) {
        // A block that is no code (raw bytecode may give a class or a native) may run no instruction,
        // yet leave a value a WHILE takes for its next pass: its call counts as a step, so that the
        // step limit ends such a loop too.
        vm.countstep();
        vm.gc.changed(*block);
        block->self = nullptr;
        vm.push(block);
        return startcall(vm, 0, names);
    }
    block->self = nullptr;
    block->fresh = false;
    vm.calltrace.push_back(block);
    enterbody(vm, block->funccode(), scope(names), nullptr);
}

// The loop waits for the pass it starts.
void startpass(machine& vm, continuation&& loop) {
    variable* block = loop.block;
    scope names = loop.names;
    loop.depth = vm.codestack.size();
    vm.pending.push_back(std::move(loop));
    runblock(vm, block, names);
}

void nextwhilepass(machine& vm, continuation&& loop) {
    if (vm.popforreading()->getint() != 0) startpass(vm, std::move(loop));
}

void nextforpass(machine& vm, continuation&& loop) {
    const std::vector<variable*>& elements = loop.snapshot();
    if (loop.position >= elements.size()) return;
    loop.names.set(vm.elementname, elements[loop.position++]);
    startpass(vm, std::move(loop));
}

bool somethingwaits(const machine& vm) { return !vm.pending.empty() && vm.pending.back().depth == vm.codestack.size(); }

// Runs what waits for the body that ended last, or for a call that pushed no body: a pass that
// pushes no body either is followed by the next one here, in a loop.
[[gnu::noinline]] void resumewaiting(machine& vm) {
    while (somethingwaits(vm)) {
        continuation waiting = std::move(vm.pending.back());
        vm.pending.pop_back();
        switch (waiting.what) {
            case continuation::kind::construct:
                popcalltrace(vm);
                vm.push(waiting.instance);
                break;
            case continuation::kind::whileloop:
                // Names stored by one pass are seen by the next.
                waiting.names = vm.lastdeldatabase;
                nextwhilepass(vm, std::move(waiting));
                break;
            case continuation::kind::forloop:
                waiting.names = vm.lastdeldatabase;
                nextforpass(vm, std::move(waiting));
                break;
        }
    }
}

// Most bodies end, and most calls return, with nothing waiting at their depth: the test alone is inline.
inline void resume(machine& vm) {
    if (somethingwaits(vm)) resumewaiting(vm);
}

}  // namespace

void callfunc(machine& vm, std::int32_t argnum, const scope& targs) {
    startcall(vm, argnum, targs);
    resume(vm);
}

void exitoutoffunc(machine& vm) {
    if (vm.codestack.size() <= 1) throw programfinished{};
    vm.codestack.pop_back();
    popcalltrace(vm);
    if (!vm.databasestack.empty()) {
        vm.lastdeldatabase = std::move(vm.databasestack.back());
        vm.databasestack.pop_back();
    }
    vm.noteifemptied();
    resume(vm);
}

void runif(machine& vm, variable* block) {
    if (vm.popforreading()->getint() != 0) runblock(vm, block, vm.currentscope());
    resume(vm);
}

void runwhile(machine& vm, variable* block) {
    continuation loop{continuation::kind::whileloop, 0};
    loop.block = block;
    loop.names = vm.currentscope();
    nextwhilepass(vm, std::move(loop));
    resume(vm);
}

void runfor(machine& vm, variable* block) {
    continuation loop{continuation::kind::forloop, 0};
    loop.block = block;
    loop.collection = vm.popforreading();
    // The elements the collection holds now: the body may change it without changing the loop. A
    // list's are read in place until it changes; a list without a payload has none to run.
    if (loop.collection->identifier == vtype::builtin_list) {
        if (loop.collection->more) {
            loop.inplace = true;
            loop.collection->more->snapshot.taken = true;
        }
    } else if (loop.collection->identifier == vtype::builtin_dict) {
        for (const auto& [key, value] : loop.collection->dictval()) loop.elements.push_back(key);
    }
    loop.names = vm.currentscope();
    nextforpass(vm, std::move(loop));
    resume(vm);
}

// A list about to change gives every loop that reads it in place the copy its snapshot stands for.
void machine::givesnapshots(variable& list) {
    for (continuation& waiting : pending)
        if (waiting.what == continuation::kind::forloop && waiting.inplace && waiting.collection == &list) {
            waiting.elements = list.more->listval;
            waiting.inplace = false;
            waiting.elementsold = false;  // the next young collection looks at them
        }
    list.more->snapshot.taken = false;  // only now: a failed copy leaves every loop as it was
}

}  // namespace V4VM
