#include "compiler/warnings.hpp"

#include <algorithm>
#include <set>

#include "compiler/compileerror.hpp"
#include "compiler/warnnames.hpp"
#include "compiler/warnwalk.hpp"

namespace {

std::size_t fileindex(const warnstate& state, const warnfile* file) {
    for (std::size_t i = 0; i < state.files.size(); ++i) {
        if (&state.files[i] == file) return i;
    }
    return state.files.size();
}

}  // namespace

warningsfound warnings(const std::string& source, const compilerequest& request) {
    warnstate state;
    state.modules = &request.modules;
    state.plainassigned = request.defined.plain;
    state.globalassigned = request.defined.global;
    const warnfile& program = state.files.emplace_back(request.name, source, false, static_cast<int>(request.firstline));
    // The pass stops where the program does not compile: the compiler reports that.
    bool complete = false;
    try {
        walkfile(state, program);
        checkreads(state);
        complete = true;
    } catch (const walkstopped&) {
    } catch (const compileerror&) {
    }

    // The order a run prints them in: by file (the program first, then the modules in the order they
    // are imported, each read once however often it is imported) and line, stably, so that within a
    // line they stay in the order they were found; a text said twice is said once.
    std::stable_sort(state.found.begin(), state.found.end(), [&](const warning& a, const warning& b) {
        return std::pair(fileindex(state, a.file), a.line) < std::pair(fileindex(state, b.file), b.line);
    });
    warningsfound out;
    std::set<std::string> said;
    for (const warning& w : state.found) {
        std::string text = w.file->name + ":" + std::to_string(w.line) + ": warning: " + w.message;
        if (!said.insert(text).second) continue;
        out.warnings.push_back({{w.file->name, static_cast<std::uint32_t>(w.line), w.column}, std::move(text)});
    }
    out.complete = complete;
    out.assigned = {std::move(state.plainassigned), std::move(state.globalassigned)};
    return out;
}
