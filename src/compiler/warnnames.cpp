#include "compiler/warnnames.hpp"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "lib/programroot.hpp"
#include "compiler/warntext.hpp"

namespace {

// Names every call and loop binds.
bool boundbythemachine(const std::string& name) {
    if (name == "self" || name == "ELEMENT") return true;
    return name.size() > 3 && name.starts_with("arg") &&
           std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::size_t distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The known name a typo most likely meant: one or two edits away, fewer for a short name, and none for
// a name of one or two characters, where every other short name is that near.
std::string nearest(const std::string& name, const std::set<std::string>& known) {
    if (name.size() < 3) return "";
    std::size_t allowed = name.size() < 5 ? 1 : 2;
    std::string best;
    std::size_t bestdistance = allowed + 1;
    for (const std::string& candidate : known) {
        std::size_t d = distance(name, candidate);
        if (d < bestdistance) {
            best = candidate;
            bestdistance = d;
        }
    }
    return best;
}

// Looking for the nearest name costs a pass over every known name: in a program full of unassigned
// names only the first of them get a suggestion.
constexpr std::size_t suggested = 100;

std::string suggestion(const std::string& name, const std::set<std::string>& known,
                       std::map<std::string, std::string>& cache) {
    auto found = cache.find(name);
    if (found != cache.end()) return found->second;
    if (cache.size() >= suggested) return "";
    return cache[name] = nearest(name, known);
}

std::string localmessage(const nameread& read, const std::set<std::string>& known,
                         std::map<std::string, std::string>& cache) {
    std::string message = quoted(read.name) +
                          " is read but assigned nowhere in the program or its modules: reading it stops the run "
                          "with \"Local variable not found: " +
                          visible(read.name) + "\"";
    if (!read.hint.empty()) return message + "; " + read.hint;
    std::string meant = suggestion(read.name, known, cache);
    return meant.empty() ? message : message + "; did you mean " + quoted(meant) + "?";
}

std::string globalmessage(const nameread& read, const warnstate& state, std::map<std::string, std::string>& cache) {
    std::string name = visible(read.name);
    std::string message = quoted("G" + read.name) + " reads the global '" + name +
                          "', which is stored nowhere in the program or its modules: reading it stops the run with "
                          "\"Global variable not found: " +
                          name + "\"";
    if (state.plainassigned.contains(read.name)) {
        return message + "; '" + name + "' is assigned as a variable, and only G" + name + " = ... stores the global";
    }
    std::string meant = suggestion(read.name, state.globalassigned, cache);
    return meant.empty() ? message : message + "; did you mean " + quoted("G" + meant) + "?";
}

}  // namespace

void checkreads(warnstate& state) {
    std::set<std::string> known = state.plainassigned;
    known.insert(programrootnames.begin(), programrootnames.end());
    std::set<std::tuple<const warnfile*, int, std::string, bool>> said;
    std::map<std::string, std::string> localcache;
    std::map<std::string, std::string> globalcache;
    for (const nameread& read : state.reads) {
        bool assigned = read.global ? read.name == "progroot" || state.globalassigned.contains(read.name)
                                    : known.contains(read.name) || boundbythemachine(read.name);
        if (assigned || !said.insert({read.file, read.line, read.name, read.global}).second) continue;
        std::string message =
            read.global ? globalmessage(read, state, globalcache) : localmessage(read, known, localcache);
        state.found.push_back({read.file, read.line, read.column, std::move(message)});
    }
}
