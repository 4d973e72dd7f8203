#include "vm/names.hpp"

namespace V4VM {

const internedtext unnamedtext{"Unnamed Variable", 0};

vname nametable::intern(std::string_view text) {
    absl::string_view key(text.data(), text.size());  // this abseil's own view type, not std's
    auto found = texts.find(key);
    if (found == texts.end()) found = texts.emplace(text, static_cast<std::uint32_t>(texts.size() + 1)).first;
    return vname(&*found);
}

}  // namespace V4VM
