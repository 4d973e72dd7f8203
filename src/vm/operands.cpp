#include "vm/operands.hpp"

#include <absl/container/inlined_vector.h>

#include <algorithm>
#include <string>
#include <vector>

#include "vm/diagnostics.hpp"
#include "vm/machine.hpp"

namespace V4VM {

namespace {

std::string faultmessage(const operandfailure& failure) {
    switch (failure.problem) {
        case operandproblem::notag:
        case operandproblem::shortnumber:
        case operandproblem::unendedstring:
        case operandproblem::unendedlist:
        case operandproblem::unendeddictionary:
        case operandproblem::novalue:
            return "Operand runs past the end of the code.";
        case operandproblem::unknowntag:
        case operandproblem::endbyteasvalue:
            return "Bad type when getting operand!";
        case operandproblem::toodeep:
            return "Nesting too deep.";
        case operandproblem::bodytoolong:
            return "bytes ran out! Specified: " + std::to_string(failure.claimed);
    }
    return "";
}

// The value of one operand, made as the decoder reads it, each step where its byte stands: the element
// of a list or dictionary is a heap value made before its operand is read and assigned the operand's
// value once read; a STACK pops the data stack when it is met, and fails there when it is empty.
class valuebuilder {
public:
    // Builds into `value` the operand that begins at `origin` of `body`; `next` is moved to where a
    // failure stops.
    valuebuilder(machine& vm, const codeblock& body, std::size_t origin, std::size_t& next, variable& value)
        : vm(vm), body(body), origin(origin), next(next), value(value) {}

    void piece(const operandpiece& piece) {
        if (levels.empty()) return make(value, piece);
        variable element;
        make(element, piece);
        place(element);
    }
    void open(operandtag tag) {
        variable& made = levels.empty() ? value : nested.emplace_back();
        levels.push_back({tag == LIST, nullptr, nullptr});
        if (tag == LIST) {
            made.identifier = vtype::builtin_list;
            vm.attachmethods(made, methodkind::list);
            // A list has its payload from its tag on, a dictionary from its first entry; the collector
            // counts a payload's bytes as live.
            made.listval();
        } else {
            made.identifier = vtype::builtin_dict;
            vm.attachmethods(made, methodkind::dict);
        }
    }
    void item(itemplace) { levels.back().cell = vm.values.make(); }
    void close(operandtag tag) {
        variable& made = innermost();
        if (tag == LIST) std::reverse(made.listval().begin(), made.listval().end());
        levels.pop_back();
        if (levels.empty()) return;
        place(made);  // into the list or dictionary now innermost, while `made` still stands in `nested`
        nested.pop_back();
    }

private:
    struct level {
        bool list;
        variable* cell;  // the heap value of the item being read
        variable* key;   // a dictionary's key still waiting for its value
    };

    // The list or dictionary at `depth` of those open (0: the outermost, which is the operand).
    variable& aggregate(std::size_t depth) { return depth == 0 ? value : nested[depth - 1]; }
    variable& innermost() { return aggregate(levels.size() - 1); }

    void make(variable& made, const operandpiece& piece) {
        switch (piece.tag) {
            case INT:
                made.identifier = vtype::builtin_int;
                made.intval = piece.integer;
                break;
            case FLOAT:
                made.identifier = vtype::builtin_float;
                made.floatval = piece.real;
                break;
            case STRING:
                made.identifier = vtype::builtin_string;
                vm.attachmethods(made, methodkind::string);
                made.stringval = text(piece.text);
                break;
            case CLASS:
                made.identifier = vtype::custom_class;
                break;
            case CODE:
                made.identifier = vtype::custom_func;
                made.setfunccode(piece.bodysize() ? vm.code.cut(body, origin + piece.bodystart, piece.bodysize()) : nullptr);
                break;
            case STACK: {
                if (vm.datastack.empty()) {
                    next = origin + piece.end;
                    error("Data stack is empty.");
                }
                variable* stacktop = vm.datastack.back();
                vm.datastack.pop_back();
                vm.assign(made, *vm.getvar(stacktop));
                break;
            }
            default:  // LIST and DICT open instead
                break;
        }
    }

    // Hands a finished item to the innermost open list or dictionary, through the heap value made for it.
    void place(const variable& item) {
        level& parent = levels.back();
        variable& owner = innermost();
        vm.assign(*parent.cell, item);
        if (parent.list) {
            owner.listval().push_back(parent.cell);
        } else if (parent.key == nullptr) {
            parent.key = parent.cell;
        } else {
            owner.dictval()[parent.key] = parent.cell;
            parent.key = nullptr;
        }
    }

    machine& vm;
    const codeblock& body;
    std::size_t origin;
    std::size_t& next;
    variable& value;
    absl::InlinedVector<level, 4> levels;  // the open lists and dictionaries, the outermost first
    std::vector<variable> nested;          // the values of those inside the outermost
};

}  // namespace

std::span<const byte> operandreader::rest() const {
    return next < body.size() ? body.bytes().subspan(next) : std::span<const byte>();
}

void operandreader::fail(const operandfailure& failure) {
    next += failure.consumed;
    error(faultmessage(failure));
}

operandpiece operandreader::firstpiece() {
    auto read = readpiece(rest(), 0);
    if (auto* failure = std::get_if<operandfailure>(&read)) fail(*failure);
    return std::get<operandpiece>(read);
}

variable operandreader::getop() {
    variable result;
    valuebuilder builder(vm, body, next, next, result);
    auto read = readoperand(rest(), builder, maxnesting);
    if (auto* failure = std::get_if<operandfailure>(&read)) fail(*failure);
    next += std::get<std::size_t>(read);
    return result;
}

vname operandreader::getname() {
    operandpiece piece = firstpiece();
    if (piece.tag != STRING) return vm.name(getop().getstring(false));
    next += piece.end;
    return vm.name(piece.text);
}

std::int32_t operandreader::getcount() {
    operandpiece piece = firstpiece();
    if (piece.tag != INT) return getop().getint();
    next += piece.end;
    return piece.integer;
}

variable* readaheadconstant(machine& vm, const instruction& in) {
    switch (in.kind) {
        case instruction::operand::integer:
            return vm.newint(in.integer);
        case instruction::operand::real:
            return vm.newfloat(in.real);
        case instruction::operand::string:
            return vm.newstring(*in.string);
        case instruction::operand::block: {
            variable* function = vm.values.make();
            function->identifier = vtype::custom_func;
            function->setfunccode(in.block);
            return function;
        }
        case instruction::operand::klass: {
            variable* klass = vm.values.make();
            klass->identifier = vtype::custom_class;
            return klass;
        }
        default:
            return nullptr;
    }
}

variable* operandreader::getconstant() {
    operandpiece piece = firstpiece();
    switch (piece.tag) {
        case INT:
            next += piece.end;
            return vm.newint(piece.integer);
        case FLOAT:
            next += piece.end;
            return vm.newfloat(piece.real);
        case STRING:
            next += piece.end;
            return vm.newstring(text(piece.text));
        case CODE: {
            const codeblock* code = piece.bodysize() ? vm.code.cut(body, next + piece.bodystart, piece.bodysize()) : nullptr;
            next += piece.end;
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
