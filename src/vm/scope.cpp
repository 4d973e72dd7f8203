#include "vm/scope.hpp"

namespace V4VM {

namespace {
const scope::entries noentries;
}

variable* scope::find(const std::string& name) const {
    if (!shared) return nullptr;
    auto found = shared->find(name);
    return found == shared->end() ? nullptr : found->second;
}

bool scope::contains(const std::string& name) const { return shared && shared->count(name) != 0; }

void scope::set(const std::string& name, variable* value) { writable()[name] = value; }

std::size_t scope::size() const { return shared ? shared->size() : 0; }

scope::entries::const_iterator scope::begin() const { return shared ? shared->cbegin() : noentries.cbegin(); }

scope::entries::const_iterator scope::end() const { return shared ? shared->cend() : noentries.cend(); }

scope::entries& scope::writable() {
    if (!shared)
        shared = std::make_shared<entries>();
    else if (shared.use_count() > 1)
        shared = std::make_shared<entries>(*shared);
    return *shared;
}

}  // namespace V4VM
