#pragma once

#include "vm/scope.hpp"
#include "vm/value.hpp"

// The free-standing built-in functions, reachable by plain name through the program root.
namespace V4VM::builtin {

void sizeoffunc(machine& vm, variable* self, const scope& args);
void varconv(machine& vm, variable* self, const scope& args);
void asstr(machine& vm, variable* self, const scope& args);
void asint(machine& vm, variable* self, const scope& args);
void asfloat(machine& vm, variable* self, const scope& args);
void getattr(machine& vm, variable* self, const scope& args);
void setattr(machine& vm, variable* self, const scope& args);
void hasattr(machine& vm, variable* self, const scope& args);
void execcmd(machine& vm, variable* self, const scope& args);

}  // namespace V4VM::builtin
