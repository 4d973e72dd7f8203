#include "vm/members.hpp"

#include <algorithm>

namespace V4VM {

std::vector<std::pair<vname, variable*>> inorder(const membermap& members) {
    std::vector<std::pair<vname, variable*>> entries(members.begin(), members.end());
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return bytext()(a.first, b.first); });
    return entries;
}

memberset::memberset(const memberset& other) {
    if ((other.word & inlinenote) != 0)
        other.word = reinterpret_cast<std::uint64_t>(new sharednote{other.word, 1}) | sharednotetag;
    word = other.word;
    if (isnoteshared())
        ++sharedone()->refs;
    else if (word != 0)
        ++reinterpret_cast<shared*>(word)->refs;
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

membermap& memberset::plainforwriting() {
    if (word == 0) word = reinterpret_cast<std::uint64_t>(new shared());
    auto* members = reinterpret_cast<shared*>(word);
    if (members->refs > 1) {
        auto* own = new shared{members->map};
        --members->refs;
        word = reinterpret_cast<std::uint64_t>(own);
        return own->map;
    }
    return members->map;
}

void memberset::release() {
    if (isnoteshared()) {
        sharednote* note = sharedone();
        if (--note->refs == 0) delete note;
    } else if (!islazy()) {  // called only with members
        auto* members = reinterpret_cast<shared*>(word);
        if (--members->refs == 0) delete members;
    }
    word = 0;
}

}  // namespace V4VM
