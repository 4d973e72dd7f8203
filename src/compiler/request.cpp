#include "compiler/request.hpp"

#include "common/sourcetext.hpp"
#include "compiler/tables.hpp"

moduletext builtinthenworkingdirectory(const std::string& filename) {
    auto builtin = builtinmodules.find(filename);
    if (builtin != builtinmodules.end()) return {builtin->second, 0, true};
    sourceread module = readsource(filename);
    return {std::move(module.text), module.failure, false};
}
