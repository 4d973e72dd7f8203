#include "compiler/writer.hpp"

namespace {

bool sameplace(const positionrun& run, std::uint32_t file, std::uint32_t line) {
    return run.file == file && run.line == line;
}

}  // namespace

// The buffer of the innermost open body (made by its first byte), or the program.
bytewriter::emittarget bytewriter::currenttarget() {
    if (openbodies > 0) {
        if (pending.empty() || pending.back().level < openbodies) pending.push_back({openbodies, {}, {}});
        return {pending.back().bytes, pending.back().runs};
    }
    return {program, programruns};
}

// A byte about to land at `offset` starts a new run when its position differs from the last one's or
// when it is a statement's first.
void bytewriter::notebyte(std::vector<positionrun>& runs, std::size_t offset) {
    if (!position.statementstart && !runs.empty() && sameplace(runs.back(), position.file, position.line)) return;
    runs.push_back({static_cast<std::uint32_t>(offset), position.line, position.file, position.statementstart});
    position.statementstart = false;
}

void bytewriter::add(byte target) {
    emittarget to = currenttarget();
    notebyte(to.runs, to.bytes.size());
    to.bytes.push_back(target);
}

void bytewriter::add(const std::vector<byte>& target) {
    for (byte b : target) add(b);
}

void bytewriter::addint(int target) {
    auto pattern = static_cast<std::uint32_t>(target);
    add(static_cast<byte>(pattern >> 24));
    add(static_cast<byte>(pattern >> 16));
    add(static_cast<byte>(pattern >> 8));
    add(static_cast<byte>(pattern));
}

void bytewriter::addstring(std::string_view target) {
    for (char c : target) add(static_cast<byte>(c));
    add(byte{0});
}

void bytewriter::closebody() {
    int closing = openbodies;
    openbodies -= 1;
    pendingbody body;
    if (!pending.empty() && pending.back().level == closing) {
        body = std::move(pending.back());
        pending.pop_back();
    }
    addint(static_cast<int>(body.bytes.size()));
    // The body's bytes keep the positions they were emitted with.
    emittarget to = currenttarget();
    std::size_t shift = to.bytes.size();
    to.bytes.insert(to.bytes.end(), body.bytes.begin(), body.bytes.end());
    for (positionrun run : body.runs) {
        if (!run.statement && sameplace(to.runs.back(), run.file, run.line)) continue;
        run.start += static_cast<std::uint32_t>(shift);
        to.runs.push_back(run);
    }
}
