#pragma once

#include <string_view>

#include "compiler/compilation.hpp"

// Emits the store of the value on top of the data stack into the target: a name with an optional
// "G" or "@" prefix and a path of member accesses, calls and indexes. The store goes through a
// pointer's "set" method.
void emitstore(compilation& c, std::string_view target);
