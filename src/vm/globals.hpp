#pragma once

#include "vm/scope.hpp"
#include "vm/values.hpp"

// The free-standing built-in functions, reachable by plain name through the program root.
namespace V4VM::builtin {

void sizeoffunc(variable* self, const scope& args);
void varconv(variable* self, const scope& args);
void asstr(variable* self, const scope& args);
void asint(variable* self, const scope& args);
void asfloat(variable* self, const scope& args);
void getattr(variable* self, const scope& args);
void setattr(variable* self, const scope& args);
void hasattr(variable* self, const scope& args);
void execcmd(variable* self, const scope& args);

}  // namespace V4VM::builtin
