#include "compiler/warnings.hpp"

#include <algorithm>
#include <iostream>
#include <set>

#include "common/process.hpp"
#include "compiler/capturedstream.hpp"
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

std::vector<std::string> warnings(const std::string& source, const std::string& path) {
    // The compiler's own reports of a program that does not compile are the compiler's to print. The
    // compiler's pieces that the walk runs end the run where the program does not compile: for the
    // whole walk, that ends the walk instead (the splitter's status is read that way too).
    capturedstream output(std::cout);
    capturedstream errors(std::cerr);

    warnstate state;
    const warnfile& program = state.files.emplace_back(path, source, false);
    try {
        walkfile(state, program);
        checkreads(state);
    } catch (const walkstopped&) {
    } catch (const processended&) {
    }

    std::stable_sort(state.found.begin(), state.found.end(), [&](const warning& a, const warning& b) {
        return std::pair(fileindex(state, a.file), a.line) < std::pair(fileindex(state, b.file), b.line);
    });
    std::vector<std::string> out;
    std::set<std::string> said;
    for (const warning& w : state.found) {
        std::string text = w.file->name + ":" + std::to_string(w.line) + ": warning: " + w.message;
        if (said.insert(text).second) out.push_back(std::move(text));
    }
    return out;
}
