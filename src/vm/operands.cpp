#include "vm/operands.hpp"

#include <algorithm>
#include <cstring>
#include <string>

#include "vm/diagnostics.hpp"
#include "vm/machine.hpp"

namespace V4VM {

namespace {
[[noreturn]] void pastend() { error("Operand runs past the end of the code."); }
}  // namespace

float floatoperand(std::uint32_t whole, std::uint32_t fraction) {
    auto digits = static_cast<float>(std::to_string(fraction).size());
    return static_cast<float>(whole) + static_cast<float>(fraction) / (10 * digits);
}

byte operandreader::top() const {
    if (remaining() == 0) pastend();
    return body.bytes()[next];
}

byte operandreader::pop() {
    byte value = top();
    ++next;
    return value;
}

std::uint32_t operandreader::readword() {
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i) word = word << 8 | pop();
    return word;
}

float operandreader::readfloat() {
    std::uint32_t whole = readword();
    std::uint32_t fraction = readword();
    return floatoperand(whole, fraction);
}

text operandreader::readtext() {
    const byte* start = body.bytes().data() + next;
    const void* end = remaining() ? std::memchr(start, 0, remaining()) : nullptr;
    if (end == nullptr) {
        next += remaining();  // the text read so far is consumed before the shortage shows
        pastend();
    }
    std::size_t length = static_cast<const byte*>(end) - start;
    next += length + 1;
    return text(std::string_view(reinterpret_cast<const char*>(start), length));
}

const codeblock* operandreader::readcode() {
    auto length = static_cast<std::int32_t>(readword());
    if (length <= 0) return nullptr;
    if (static_cast<std::size_t>(length) > remaining()) {
        next += remaining();  // the bytes there were are consumed before the shortage shows
        error("bytes ran out! Specified: " + std::to_string(length));
    }
    const codeblock* code = vm.code.cut(body, next, static_cast<std::size_t>(length));
    next += static_cast<std::size_t>(length);
    return code;
}

variable* operandreader::decodeonheap(int depth) {
    variable* element = vm.values.make();
    vm.assign(*element, getop(depth));
    return element;
}

variable operandreader::getop() { return getop(0); }

variable operandreader::getop(int depth) {
    variable result;
    switch (pop()) {
        case INT:
            result.identifier = vtype::builtin_int;
            result.intval = static_cast<std::int32_t>(readword());
            break;
        case FLOAT:
            result.identifier = vtype::builtin_float;
            result.floatval = readfloat();
            break;
        case STRING:
            result.identifier = vtype::builtin_string;
            vm.attachmethods(result, methodkind::string);
            result.stringval = readtext();
            break;
        case CLASS:
            result.identifier = vtype::custom_class;
            break;
        case LIST: {
            if (depth >= maxnesting) error("Nesting too deep.");
            result.identifier = vtype::builtin_list;
            vm.attachmethods(result, methodkind::list);
            auto& elements = result.listval();
            while (top() != LISTEND) elements.push_back(decodeonheap(depth + 1));
            pop();
            std::reverse(elements.begin(), elements.end());
            break;
        }
        case DICT: {
            if (depth >= maxnesting) error("Nesting too deep.");
            result.identifier = vtype::builtin_dict;
            vm.attachmethods(result, methodkind::dict);
            while (top() != LISTEND) {
                variable* key = decodeonheap(depth + 1);
                result.dictval()[key] = decodeonheap(depth + 1);
            }
            pop();
            break;
        }
        case CODE:
            result.identifier = vtype::custom_func;
            result.setfunccode(readcode());
            break;
        case STACK: {
            if (vm.datastack.empty()) error("Data stack is empty.");
            variable* stacktop = vm.datastack.back();
            vm.datastack.pop_back();
            vm.assign(result, *vm.getvar(stacktop));
            break;
        }
        default:
            error("Bad type when getting operand!");
    }
    return result;
}

vname operandreader::getname() {
    if (top() != STRING) return vm.name(getop().getstring(false));
    pop();
    return vm.name(readtext().view());
}

std::int32_t operandreader::getcount() {
    if (top() != INT) return getop().getint();
    pop();
    return static_cast<std::int32_t>(readword());
}

variable* operandreader::getconstant() {
    switch (top()) {
        case INT:
            pop();
            return vm.newint(static_cast<std::int32_t>(readword()));
        case FLOAT:
            pop();
            return vm.newfloat(readfloat());
        case STRING:
            pop();
            return vm.newstring(readtext());
        case CODE: {
            pop();
            const codeblock* code = readcode();
            variable* function = vm.values.make();
            function->identifier = vtype::custom_func;
            function->setfunccode(code);
            return function;
        }
        default: {
            variable operand = getop();
            return vm.getcopy(&operand);
        }
    }
}

}  // namespace V4VM
