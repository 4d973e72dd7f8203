#include "vm/names.hpp"

namespace V4VM {

const std::string unnamedtext = "Unnamed Variable";

vname nametable::intern(std::string_view text) {
    auto found = texts.find(text);
    if (found == texts.end()) found = texts.emplace(text).first;
    return vname(&*found);
}

}  // namespace V4VM
