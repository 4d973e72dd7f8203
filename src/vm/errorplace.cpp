#include "vm/errorplace.hpp"

#include <algorithm>
#include <ostream>

#include "common/positionreport.hpp"
#include "vm/machine.hpp"

namespace V4VM {

namespace {

// Most calls a short report lists; the earlier ones are counted.
constexpr std::size_t listedcalls = 20;

// A place in one of the programs loaded: the map it is found in and the position there.
struct place {
    const sourcemap* positions = nullptr;
    sourceposition position;
};

place placeof(const frame& body) {
    if (body.body == nullptr || body.body->sources() == nullptr) return {};
    const sourcemap* positions = body.body->sources();
    return {positions, positions->find(body.body->offset() + body.current)};
}

void writeplace(std::ostream& out, const place& where) {
    if (where.positions != nullptr && where.position.known())
        out << where.positions->filename(where.position) << ':' << where.position.line;
    else
        out << "?";
}

}  // namespace

void reportplace(const machine& vm, const vmerror& failure, std::ostream& out) {
    std::string message = failure.message;
    if (failure.panic) {
        // A panic's message is set off by line ends of its own; a short report keeps it on one line.
        std::replace(message.begin(), message.end(), '\n', ' ');
        std::size_t first = message.find_first_not_of(' ');
        message = first == std::string::npos ? std::string()
                                             : message.substr(first, message.find_last_not_of(' ') + 1 - first);
    }
    if (failure.withinmodule) message += " (within module)";
    // The program at the bottom of the code stack tells whether the run has source positions at all.
    if (failure.panic || vm.codestack.empty() || placeof(vm.codestack.front()).positions == nullptr) {
        reportwithoutplace(out, message);
        return;
    }
    place top = placeof(vm.codestack.back());
    if (top.positions != nullptr)
        reportat(out, *top.positions, top.position, message);
    else
        reportwithoutplace(out, message);

    // Each body a call entered, with the place of the call: in the body below it, which for the body
    // of an IF, WHILE or FOR lies in the function around it.
    std::vector<std::pair<place, const variable*>> calls;
    for (std::size_t at = 1; at < vm.codestack.size(); ++at)
        if (const variable* callee = vm.codestack[at].callee)
            calls.emplace_back(placeof(vm.codestack[at - 1]), callee);
    if (calls.empty()) return;
    out << "called from, innermost last:\n";
    std::size_t first = calls.size() > listedcalls ? calls.size() - listedcalls : 0;
    if (first > 0) out << "    ... " << std::dec << first << " earlier calls\n";
    for (std::size_t at = first; at < calls.size(); ++at) {
        out << "    ";
        writeplace(out, calls[at].first);
        out << " " << calls[at].second->name.str() << '\n';
    }
}

}  // namespace V4VM
