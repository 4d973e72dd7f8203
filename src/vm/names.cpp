#include "vm/names.hpp"

namespace V4VM {

const std::string unnamedtext = "Unnamed Variable";

vname nametable::intern(std::string_view text) {
    absl::string_view key(text.data(), text.size());  // this abseil's own view type, not std's
    auto found = texts.find(key);
    if (found == texts.end()) found = texts.emplace(text).first;
    return vname(&*found);
}

}  // namespace V4VM
