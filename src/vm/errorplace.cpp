#include "vm/errorplace.hpp"

#include <algorithm>
#include <ostream>

#include "common/positionreport.hpp"
#include "vm/machine.hpp"

namespace V4VM {

namespace {

// Most calls a short report lists; the earlier ones are counted.
constexpr std::size_t listedcalls = 20;

sourceposition positionof(const sourcemap& positions, const frame& body) {
    if (body.body == nullptr) return {};
    return positions.find(body.body->offset() + body.current);
}

void writeplace(std::ostream& out, const sourcemap& positions, const sourceposition& position) {
    if (position.known())
        out << positions.filename(position) << ':' << position.line;
    else
        out << "?";
}

}  // namespace

void reportplace(const machine& vm, const vmerror& failure, std::ostream& out) {
    std::string message = failure.message;
    if (failure.panic) {
        // A panic's message is set off by line ends of its own; a short report keeps it on one line.
        std::replace(message.begin(), message.end(), '\n', ' ');
        message = message.substr(message.find_first_not_of(' '));
        message.erase(message.find_last_not_of(' ') + 1);
    }
    if (failure.withinmodule) message += " (within module)";
    const sourcemap* positions = vm.settings.positions;
    if (failure.panic || positions == nullptr || vm.codestack.empty()) {
        reportwithoutplace(out, message);
        return;
    }
    reportat(out, *positions, positionof(*positions, vm.codestack.back()), message);

    // Each body a call entered, with the place of the call: in the body below it, which for the body
    // of an IF, WHILE or FOR lies in the function around it.
    std::vector<std::pair<sourceposition, const variable*>> calls;
    for (std::size_t at = 1; at < vm.codestack.size(); ++at)
        if (const variable* callee = vm.codestack[at].callee)
            calls.emplace_back(positionof(*positions, vm.codestack[at - 1]), callee);
    if (calls.empty()) return;
    out << "called from, innermost last:\n";
    std::size_t first = calls.size() > listedcalls ? calls.size() - listedcalls : 0;
    if (first > 0) out << "    ... " << std::dec << first << " earlier calls\n";
    for (std::size_t at = first; at < calls.size(); ++at) {
        out << "    ";
        writeplace(out, *positions, calls[at].first);
        out << " " << calls[at].second->name.str() << '\n';
    }
}

}  // namespace V4VM
