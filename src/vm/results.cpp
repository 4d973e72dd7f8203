#include "vm/results.hpp"

#include "vm/natives.hpp"

namespace V4VM {

variable* makeint(std::int32_t value) {
    variable* result = getallocvar();
    result->identifier = vtype::builtin_int;
    result->intval = value;
    return result;
}

variable* makestring(std::string text) {
    variable* result = getallocvar();
    result->identifier = vtype::builtin_string;
    result->stringval = std::move(text);
    initstringvar(*result);
    return result;
}

variable* makelist() {
    variable* result = getallocvar();
    result->identifier = vtype::builtin_list;
    initlistvar(*result);
    return result;
}

}  // namespace V4VM
