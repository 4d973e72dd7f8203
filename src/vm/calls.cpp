#include "vm/calls.hpp"

#include "vm/collector.hpp"
#include "vm/diagnostics.hpp"
#include "vm/engine.hpp"
#include "vm/state.hpp"
#include "vm/vm.hpp"

namespace V4VM {

namespace {

void popcalltrace() {
    if (!calltrace.empty()) calltrace.pop_back();
}

void enterbody(const codebytes& body, scope&& frame) {
    if (codestack.size() >= maxcodebodies) error("Too many nested calls.");
    codestack.push_back(codebody{body, 0});
    databasestack.push_back(std::move(frame));
}

// A block's body, run as an anonymous function.
variable* readblock(codebody& bytes) { return getconstant(bytes); }

}  // namespace

void callfunc(std::int32_t argnum, const scope& targs) {
    scope frame = targs;
    variable* function = poprawtop();
    for (std::int32_t index = argnum - 1; index >= 0; --index)
        frame.set("arg" + std::to_string(index), poprawtop());
    variable* receiver = function->self;
    calltrace.push_back(function);

    if (function->ismodule) {
        if (function->modulefunc != nullptr) function->modulefunc(receiver, frame);
        popcalltrace();
        return;
    }
    if (receiver != nullptr) frame.set("self", receiver);
    if (function->identifier == vtype::custom_func) return enterbody(function->funccode, std::move(frame));

    variable* instance = function->getcopy();
    frame.set("self", instance);
    auto constructor = instance->attributes.find("init");
    if (constructor != instance->attributes.end()) {
        keepalive keepinstance(instance);
        standalonefunccall(constructor->second, frame, instance);
        popcalltrace();
        datastack.push_back(instance);
        return;
    }
    datastack.push_back(instance);
    enterbody(nullptr, std::move(frame));
}

void standalonefunccall(variable* target, const scope& args, variable* self) {
    keepalive keeptarget(target);
    target->self = self;
    datastack.push_back(target);
    std::size_t depth = codestack.size();
    callfunc(0, args);
    while (codestack.size() > depth) execcycle();
}

void exitoutoffunc() {
    if (codestack.size() <= 1) exitprogram();
    codestack.pop_back();
    popcalltrace();
    if (databasestack.empty()) return;
    lastdeldatabase = std::move(databasestack.back());
    databasestack.pop_back();
}

void runif(codebody& bytes) {
    variable* block = readblock(bytes);
    keepalive keepblock(block);
    if (popforreading()->getint() != 0) standalonefunccall(block, currentscope(), nullptr);
}

void runwhile(codebody& bytes) {
    variable* block = readblock(bytes);
    scope names = currentscope();
    keepalive keepblock(block);
    keepalive keepnames(names);
    while (popforreading()->getint() != 0) {
        standalonefunccall(block, names, nullptr);
        names = lastdeldatabase;
    }
}

void runfor(codebody& bytes) {
    variable* block = readblock(bytes);
    variable* collection = popforreading();
    // The elements the collection holds now: the body may change it without changing the loop.
    std::vector<variable*> elements;
    if (collection->identifier == vtype::builtin_list)
        elements = collection->listval;
    else if (collection->identifier == vtype::builtin_dict)
        for (const auto& [key, value] : collection->dictval) elements.push_back(key);
    scope names = currentscope();
    keepalive keepblock(block);
    keepalive keepcollection(collection);
    keepalive keepelements(elements);
    keepalive keepnames(names);
    for (variable* element : elements) {
        names.set("ELEMENT", element);
        standalonefunccall(block, names, nullptr);
        names = lastdeldatabase;
    }
}

}  // namespace V4VM
