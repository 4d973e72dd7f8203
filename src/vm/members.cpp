#include "vm/members.hpp"

#include <algorithm>

namespace V4VM {

std::vector<std::pair<vname, variable*>> inorder(const membermap& members) {
    std::vector<std::pair<vname, variable*>> entries(members.begin(), members.end());
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return bytext()(a.first, b.first); });
    return entries;
}

memberset::memberset(const memberset& other) : word(other.word) {
    if (membermap* map = other.plain()) word = reinterpret_cast<std::uint64_t>(new membermap(*map));
}

memberset& memberset::operator=(const memberset& other) {
    if (this != &other) {
        memberset copy(other);
        *this = std::move(copy);
    }
    return *this;
}

memberset& memberset::operator=(memberset&& other) noexcept {
    if (this != &other) {
        clear();
        word = other.word;
        other.word = 0;
    }
    return *this;
}

void memberset::makelazy(methodkind kind, bool bykey, std::uint64_t firstserial) {
    clear();
    word = firstserial << 4 | std::uint64_t{bykey} << 3 | static_cast<std::uint64_t>(kind) << 1 | 1;
}

membermap& memberset::plainforwriting() {
    if (word == 0) word = reinterpret_cast<std::uint64_t>(new membermap());
    return *plain();
}

void memberset::release() {
    delete plain();
    word = 0;
}

}  // namespace V4VM
