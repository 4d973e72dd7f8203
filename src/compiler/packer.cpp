#include "compiler/packer.hpp"

#include <cmath>

#include "compiler/positions.hpp"

std::vector<byte> code;
std::vector<positionrun> coderuns;
int asop = 0;
std::vector<pendingbody> tempcode;

namespace {

struct emittarget {
    std::vector<byte>& bytes;
    std::vector<positionrun>& runs;
};

// The buffer of the innermost open level (made by its first byte), or the program.
emittarget currenttarget() {
    if (asop > 0) {
        if (tempcode.empty() || tempcode.back().level < asop) tempcode.push_back({asop, {}, {}});
        return {tempcode.back().bytes, tempcode.back().runs};
    }
    return {code, coderuns};
}

bool sameplace(const positionrun& run, const emitposition& position) {
    return run.file == position.file && run.line == position.line;
}

// A byte about to land at `offset` starts a new run when its position differs from the last one's or
// when it is a statement's first.
void notebyte(std::vector<positionrun>& runs, std::size_t offset) {
    if (!currentposition.statementstart && !runs.empty() && sameplace(runs.back(), currentposition)) return;
    runs.push_back({static_cast<std::uint32_t>(offset), currentposition.line, currentposition.file,
                    currentposition.statementstart});
    currentposition.statementstart = false;
}

}  // namespace

void addcode(byte target) {
    emittarget to = currenttarget();
    notebyte(to.runs, to.bytes.size());
    to.bytes.push_back(target);
}

void addcode(const std::vector<byte>& target) {
    for (byte b : target) addcode(b);
}

void compileint(int target) {
    auto pattern = static_cast<std::uint32_t>(target);
    addcode(static_cast<byte>(pattern >> 24));
    addcode(static_cast<byte>(pattern >> 16));
    addcode(static_cast<byte>(pattern >> 8));
    addcode(static_cast<byte>(pattern));
}

void compilefloat(float target) {
    compileint(static_cast<int>(std::trunc(target)));
    float tenfold = 10.0f * target;
    compileint(static_cast<int>(std::fmod(std::fabs(std::trunc(tenfold)), 10.0f)));
}

void compilestring(std::string_view target) {
    for (char c : target) addcode(static_cast<byte>(c));
    addcode(byte{0});
}

void negatebyteoperand() {
    int closing = asop;
    asop -= 1;
    pendingbody body;
    if (!tempcode.empty() && tempcode.back().level == closing) {
        body = std::move(tempcode.back());
        tempcode.pop_back();
    }
    compileint(static_cast<int>(body.bytes.size()));
    // The body's bytes keep the positions they were emitted with.
    emittarget to = currenttarget();
    std::size_t shift = to.bytes.size();
    to.bytes.insert(to.bytes.end(), body.bytes.begin(), body.bytes.end());
    for (positionrun run : body.runs) {
        if (!run.statement && sameplace(to.runs.back(), {run.file, run.line, false})) continue;
        run.start += static_cast<std::uint32_t>(shift);
        to.runs.push_back(run);
    }
}

void resetpacker() {
    code.clear();
    coderuns.clear();
    tempcode.clear();
    asop = 0;
}
