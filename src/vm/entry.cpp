// The entries of a session: programs run one after another in one machine, each back at the
// outermost level when it ends.
#include "vm/machine.hpp"

namespace V4VM {

bool machine::returnedatoutermost() const {
    if (codestack.size() != 1 || codestack.front().body == nullptr) return false;
    const frame& program = codestack.front();
    return program.current < program.body->size() && program.body->bytes()[program.current] == RETURN;
}

entryoutcome machine::runentry(const std::vector<byte>& program, const sourcemap& positions, showing show) {
    std::size_t depth = datastack.size();
    steps = 0;  // a step limit bounds each entry on its own
    codestack.push_back(frame{code.load(program, &positions)});
    entryoutcome outcome;
    auto showvalue = [&] {
        bool shows = show == showing::expression || (show == showing::returned && returnedatoutermost());
        if (shows && datastack.size() > depth) outcome.shown = datastack.back()->getstring(true);
    };
    ending end = runtoend(outcome.report, showvalue);
    outcome.failed = end == ending::failed;
    outcome.consoleclosed = end == ending::consoleclosed;
    unwind(depth);
    return outcome;
}

}  // namespace V4VM
