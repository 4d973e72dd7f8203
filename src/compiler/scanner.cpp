#include "compiler/scanner.hpp"

#include <algorithm>

#include "compiler/compileerror.hpp"
#include "compiler/tables.hpp"

namespace {

bool isletter(char c) {
    auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

// One grouping pair of a seekstring call with its depth counter. Openers and closers are single
// characters.
struct group {
    char opener;
    char closer;
    int inside = 0;
};

// Removes the blank that follows the word `length` characters into the unread text, keeping the
// word at the front: the word moves one place on instead of the tail moving back.
void dropblankafter(scantext& target, std::size_t length) {
    char* start = target.unreadforchange();
    std::copy_backward(start, start + length, start + length + 1);
    target.pos += 1;
}

// A character that matters inside a group: an escape, or an opener or closer of a group.
bool countsinside(char c, const std::vector<group>& groups) {
    return c == '\\' || std::any_of(groups.begin(), groups.end(), [c](const group& g) {
               return g.opener == c || g.closer == c;
           });
}

}  // namespace

bool dropprefix(scantext& target, char prefix) {
    if (!target.startswith(prefix)) return false;
    target.drop(1);
    return true;
}

bool isallalpha(std::string_view str) { return std::all_of(str.begin(), str.end(), isletter); }

bool checkstrings(std::string_view x, std::string_view y) { return x.substr(0, y.size()) == y; }

bool checkstrings(std::string_view x, const std::vector<std::string>& y) {
    return std::any_of(y.begin(), y.end(), [&](const std::string& e) { return checkstrings(x, e); });
}

std::string seekstring(scantext& target, const std::vector<std::string>& blacklist, const groups& ignorance,
                       int blacklistmode, bool doalphachecking) {
    std::string out;
    std::vector<group> areinside;
    for (const auto& [opener, closer] : ignorance) {
        if (opener.size() == 1 && closer.size() == 1) areinside.push_back({opener[0], closer[0], 0});
    }

    while (!target.empty()) {
        if (target.front() == '\\') {
            target.drop(1);
            if (target.empty()) {
                out += '\\';  // nothing follows to translate: the backslash stands for itself
                break;
            }
            char ch = target.front();
            target.drop(1);
            out += ch == 'n' ? '\n' : ch == 'r' ? '\r' : ch;
            continue;
        }

        bool isinsideany = std::any_of(areinside.begin(), areinside.end(), [](const group& g) { return g.inside > 0; });
        if (isinsideany) {
            // Inside a group no target counts: up to the next escape or grouping character the text
            // is taken as it stands, in one step (a long list is one group).
            std::string_view rest = target.rest();
            std::size_t run = 0;
            while (run < rest.size() && !countsinside(rest[run], areinside)) run += 1;
            if (run > 0) {
                out += rest.substr(0, run);
                target.drop(run);
                continue;
            }
        } else {
            std::string_view rest = target.rest();
            const std::string* chosen = nullptr;
            for (const std::string& e : blacklist) {
                if ((!e.empty() && e[0] != rest[0]) || !checkstrings(rest, e)) continue;
                bool endsinblank = !out.empty() && out.back() == ' ';
                bool blankfollows = rest.size() > e.size() && rest[e.size()] == ' ';
                bool word = isallalpha(e);
                if (doalphachecking && endsinblank && blankfollows && word) {
                    out.pop_back();
                    dropblankafter(target, e.size());
                    if (blacklistmode == 0) return out;
                    chosen = &e;
                    break;
                }
                if (blacklistmode == 0) {
                    if (!doalphachecking || !word) return out;
                } else if (!doalphachecking || (!(endsinblank && blankfollows) && !word)) {
                    chosen = &e;
                    break;
                }
            }
            if (blacklistmode != 0) {
                if (chosen == nullptr) return out;
                out += *chosen;
                target.drop(chosen->size());
                continue;
            }
        }

        char ch = target.front();
        bool opened = false;
        for (group& g : areinside) {
            if (g.opener != ch) continue;
            if (g.closer != ch || g.inside <= 0) {
                g.inside += 1;
                opened = true;
            }
        }
        if (!opened) {
            for (group& g : areinside) {
                if (g.closer == ch && g.inside > 0) g.inside -= 1;
            }
        }
        out += ch;
        target.drop(1);
    }
    return out;
}

piecelist getargs(scantext& target, const std::string& seperator, const std::vector<std::string>& ends) {
    std::vector<std::string> targets = {seperator, seperator + " "};
    targets.insert(targets.end(), ends.begin(), ends.end());
    piecelist result;
    while (true) {
        std::string temp = seekstring(target, targets, groupingpairs, 0, false);
        if (!temp.empty()) result.add(temp);
        if (checkstrings(target.rest(), ends)) return result;
        if (target.startswith(',')) {
            target.drop(1);
            if (target.startswith(' ')) target.drop(1);
            continue;
        }
        if (!ends.empty()) fail("getargs: no endings, no comma, ends not empty; seekstring failure or malformed args.");
        return result;
    }
}
