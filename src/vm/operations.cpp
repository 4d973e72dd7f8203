#include "vm/operations.hpp"

#include "vm/arithmetic.hpp"
#include "vm/diagnostics.hpp"
#include "vm/machine.hpp"

namespace V4VM {

namespace {

// Integer arithmetic, its faults raised as machine errors.
std::int32_t intresult(std::int32_t left, std::int32_t right, byte opcode) {
    intoutcome result = intarithmetic(left, right, opcode);
    if (result.fault == intfault::divisionbyzero) error("Division by zero.");
    if (result.fault == intfault::overflow) error("Integer overflow.");
    return result.value;
}

// The two operands, left first, and the cell the result may take: a spare operand (see
// machine::isspare), or null.
struct operandpair {
    variable* left;
    variable* right;
    variable* spare;
};

// Pops both operands, as poprawtop does, or as popforreading does for an operation that only reads them.
[[gnu::always_inline]] inline operandpair popoperands(machine& vm, bool forreading) {
    variable* spare = nullptr;
    auto pop = [&]() {
        if (spare == nullptr && !vm.datastack.empty() && machine::isspare(*vm.datastack.back()))
            spare = vm.datastack.back();
        return forreading ? vm.popforreading() : vm.poprawtop();
    };
    variable* left = pop();
    variable* right = pop();
    return {left, right, spare};
}

}  // namespace

void arithmetic(machine& vm, byte opcode) {
    auto [left, right, spare] = popoperands(vm, false);
    if (opcode == ADD && left->identifier == vtype::builtin_string && right->identifier == vtype::builtin_string) {
        variable* result = vm.values.make();
        result->identifier = vtype::builtin_string;
        result->stringval = left->stringval.append(right->stringval.view());
        vm.values.notebytes(result->stringval.size());
        vm.attachmethods(*result, methodkind::string);
        return vm.pushfresh(result);
    }
    // The operands are read before the result is made, perhaps in one of their cells.
    if (left->identifier == vtype::builtin_float || right->identifier == vtype::builtin_float)
        return vm.pushfresh(vm.newfloat(doarithmetic(left->getfloat(), right->getfloat(), opcode), spare));
    std::int32_t a = left->getint();
    std::int32_t b = right->getint();
    vm.pushfresh(vm.newint(intresult(a, b, opcode), spare));
}

void comparison(machine& vm, byte opcode) {
    auto [left, right, spare] = popoperands(vm, true);
    float a = left->getfloat();
    float b = right->getfloat();
    vm.pushfresh(vm.newint(docomparison(a, b, opcode) ? 1 : 0, spare));
}

void equality(machine& vm) {
    auto [left, right, spare] = popoperands(vm, true);
    vm.pushfresh(vm.newint(*right == *left ? 1 : 0, spare));
}

// AND, OR, XOR and NOR reuse their left operand for the result.
void logic(machine& vm, byte opcode) {
    variable* left = vm.gettopvar();
    variable* right = vm.popforreading();
    std::int32_t a = left->getint();
    std::int32_t result = 0;
    switch (opcode) {
        case AND: result = a != 0 && right->getint() != 0; break;
        case OR: result = a != 0 || right->getint() != 0; break;
        case XOR: result = a ^ right->getint(); break;
        default: result = !(a != 0 || right->getint() != 0); break;
    }
    left->intval = result;
    left->identifier = vtype::builtin_int;
    vm.push(left);
}

bool isoperation(byte opcode) {
    return opcode <= DIV || (opcode >= GREATER && opcode <= GREATEREQ) || opcode == EQUAL || opcode == AND ||
           opcode == OR || opcode == XOR || opcode == NOR;
}

void operate(machine& vm, byte opcode) {
    if (opcode <= DIV) return arithmetic(vm, opcode);
    if (opcode == EQUAL) return equality(vm);
    if (opcode >= GREATER && opcode <= GREATEREQ) return comparison(vm, opcode);
    logic(vm, opcode);
}

}  // namespace V4VM
