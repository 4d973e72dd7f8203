#include "vm/engine.hpp"

#include "vm/calls.hpp"
#include "vm/collector.hpp"
#include "vm/diagnostics.hpp"
#include "vm/moduleapi.hpp"
#include "vm/natives.hpp"
#include "vm/state.hpp"
#include "vm/vm.hpp"

namespace V4VM {

using moduleapi::gettopvar;

namespace {

variable* currentobject() {
    if (callstack.empty()) integritycheck();
    return callstack.back();
}

void push(variable* value) { datastack.push_back(value); }

variable* named(variable* value, const std::string& name) {
    value->name = name;
    return value;
}

variable* newtruth(bool value) { return newint(value ? 1 : 0); }

// Integer arithmetic runs in single precision and is truncated toward zero.
std::int32_t intarithmetic(std::int32_t left, std::int32_t right, char op) {
    auto a = static_cast<float>(left);
    auto b = static_cast<float>(right);
    if (op == '/' && b == 0) error("Division by zero.");
    float result = doarithmetic(a, b, op);
    if (!(result > -2147483904.0f && result < 2147483648.0f)) error("Integer overflow.");
    return static_cast<std::int32_t>(result);
}

void arithmetic(byte opcode) {
    static const char operators[] = {'+', '-', '*', '/'};
    variable* left = poprawtop();
    variable* right = poprawtop();
    variable* result = getallocvar();
    if (opcode == ADD && left->identifier == vtype::builtin_string && right->identifier == vtype::builtin_string) {
        result->identifier = vtype::builtin_string;
        result->stringval = left->getstring(false) + right->getstring(false);
        initstringvar(*result);
    } else if (left->identifier == vtype::builtin_float || right->identifier == vtype::builtin_float) {
        result->identifier = vtype::builtin_float;
        float a = left->getfloat();
        float b = right->getfloat();
        result->floatval = doarithmetic(a, b, operators[opcode]);
    } else {
        result->identifier = vtype::builtin_int;
        std::int32_t a = left->getint();
        std::int32_t b = right->getint();
        result->intval = intarithmetic(a, b, operators[opcode]);
    }
    push(result);
}

void comparison(byte opcode) {
    variable* left = popforreading();
    variable* right = popforreading();
    float a = left->getfloat();
    float b = right->getfloat();
    push(newtruth(docomparisment(a, b, opcode - GREATER)));
}

// AND, OR, XOR and NOR reuse their left operand for the result.
void logic(byte opcode) {
    variable* left = gettopvar();
    variable* right = popforreading();
    std::int32_t a = left->getint();
    std::int32_t result = 0;
    switch (opcode) {
        case AND:
            result = a != 0 && right->getint() != 0;
            break;
        case OR:
            result = a != 0 || right->getint() != 0;
            break;
        case XOR:
            result = a ^ right->getint();
            break;
        default:
            result = logical_nor(a != 0, right->getint() != 0);
            break;
    }
    left->intval = result;
    left->identifier = vtype::builtin_int;
    push(left);
}

void storelocal(const std::string& name) {
    if (datastack.empty()) error("Data stack is empty.");
    variable* top = datastack.back();
    currentscope().set(name, named(top->getvar(), name));
    // Outside any entered object a local is also a member of the program root, where every function's
    // lookup finds it.
    if (callstack.size() == 1) callstack.back()->attributes[name] = top->getvar();
    datastack.pop_back();
}

// Whether copying `value` certainly ends without "Nesting too deep.": then only the copy's identity
// tells it from the value, and the copy can be skipped where it would only be read and dropped.
bool copiesflat(const variable& value) {
    if (value.self != nullptr || !value.dictval.empty()) return false;
    for (const auto& [name, member] : value.attributes)
        if (member->self != nullptr || !member->attributes.empty() || !member->dictval.empty()) return false;
    return true;
}

}  // namespace

variable* poprawtop() {
    if (datastack.empty()) error("Data stack is empty.");
    variable* top = datastack.back();
    datastack.pop_back();
    return top;
}

variable* popforreading() {
    variable* top = poprawtop();
    return copiesflat(*top) ? top : top->getvar();
}

scope& currentscope() {
    if (databasestack.empty()) integritycheck();
    return databasestack.back();
}

bool inrange(byte low, byte high, byte value) { return low <= value && value < high; }

float doarithmetic(float a, float b, char op) {
    switch (op) {
        case '+':
            return a + b;
        case '-':
            return a - b;
        case '*':
            return a * b;
        default:
            return a / b;
    }
}

bool docomparisment(float a, float b, int op) {
    switch (op) {
        case 0:
            return a > b;
        case 1:
            return a < b;
        case 2:
            return a <= b;
        default:
            return a >= b;
    }
}

void execcycle() {
    if (codestack.empty()) integritycheck();
    collectifdue();
    execinstruction(codestack.back());
}

void execinstruction(codebody& bytes) {
    integritycheck();
    if (bytes.empty()) {
        exitoutoffunc();
        return;
    }
    // Nothing may touch `bytes` once a body has been pushed: the code stack may have moved.
    byte opcode = bytes.pop();
    if (inrange(ADD, DIV + 1, opcode)) return arithmetic(opcode);
    if (inrange(GREATER, GREATEREQ + 1, opcode)) return comparison(opcode);
    switch (opcode) {
        case LOADLOCAL: {
            std::string name = getname(bytes);
            push(named(moduleapi::getlocalvar(name)->getvar(), name));
            break;
        }
        case STORELOCAL:
            storelocal(getname(bytes));
            break;
        case LEAVE:
            moduleapi::goout();
            break;
        case ENTERATTR: {
            std::string name = getname(bytes);
            moduleapi::gointo(moduleapi::getattribute(currentobject(), name));
            break;
        }
        case LEAVEALL:
            while (callstack.size() > 1) moduleapi::goout();
            break;
        case CALL: {
            std::int32_t argnum = getcount(bytes);
            callfunc(argnum, scope());
            break;
        }
        case LOADATTR: {
            std::string name = getname(bytes);
            variable* object = currentobject();
            variable* member = moduleapi::getattribute(object, name)->getvar();
            member->self = object;
            push(named(member, name));
            break;
        }
        case STOREATTR: {
            std::string name = getname(bytes);
            variable* object = currentobject();
            if (datastack.empty()) error("Data stack is empty.");
            object->attributes[name] = named(datastack.back()->getvar(), name);
            datastack.pop_back();
            break;
        }
        case LOADGLOBAL: {
            std::string name = getname(bytes);
            push(named(moduleapi::getglobalvar(name)->getvar(), name));
            break;
        }
        case STOREGLOBAL: {
            std::string name = getname(bytes);
            if (datastack.empty()) error("Data stack is empty.");
            globalvars[name] = named(datastack.back()->getvar(), name);
            datastack.pop_back();
            break;
        }
        case PUSHCONST:
            push(getconstant(bytes));
            break;
        case PUSHCOPY:
            if (datastack.empty()) error("Data stack is empty.");
            push(datastack.back()->getcopy());
            break;
        case RETURN:
            exitoutoffunc();
            break;
        case EQUAL: {
            variable* left = popforreading();
            variable* right = popforreading();
            push(newtruth(*right == *left));
            break;
        }
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
            logic(opcode);
            break;
        case STASH:
            memory.push_back(gettopvar());
            break;
        case UNSTASH:
            if (memory.empty()) error("Nothing to unstash.");
            push(memory.back());
            memory.pop_back();
            break;
        case PTRLOCAL: {
            std::string name = getname(bytes);
            push(named(moduleapi::getlocalvar(name)->getpointer(), name));
            break;
        }
        case PTRATTR: {
            std::string name = getname(bytes);
            variable* object = currentobject();
            variable* pointer = moduleapi::getattribute(object, name)->getpointer();
            pointer->self = object;
            push(named(pointer, name));
            break;
        }
        case PTRGLOBAL: {
            std::string name = getname(bytes);
            push(named(moduleapi::getglobalvar(name)->getpointer(), name));
            break;
        }
        case PTRTOP:
            push(gettopvar()->getpointer());
            break;
        case IF:
            runif(bytes);
            break;
        case POP:
            poprawtop();
            break;
        case WHILE:
            runwhile(bytes);
            break;
        case FOR:
            runfor(bytes);
            break;
        case SAVESCOPE:
            savlvar = currentscope();
            break;
        case RESTORESCOPE:
            if (!savlvar) error("No saved scope to restore.");
            currentscope() = *savlvar;
            break;
        case ASSIGN: {
            variable* target = poprawtop();
            variable* source = gettopvar();
            *target = *source;
            break;
        }
        case DUP:
            if (datastack.empty()) error("Data stack is empty.");
            push(datastack.back());
            break;
        case ENTERTOP:
            moduleapi::gointo(gettopvar());
            break;
        default:
            error("Unknown instruction.");
    }
}

}  // namespace V4VM
