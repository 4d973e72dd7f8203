#pragma once

#include "vm/native.hpp"

// The free-standing built-in functions, reachable by plain name through the program root.
namespace V4VM::builtin {

void sizeoffunc(machine& vm, variable* self, const nativeargs& args);
void varconv(machine& vm, variable* self, const nativeargs& args);
void asstr(machine& vm, variable* self, const nativeargs& args);
void asint(machine& vm, variable* self, const nativeargs& args);
void asfloat(machine& vm, variable* self, const nativeargs& args);
void getattr(machine& vm, variable* self, const nativeargs& args);
void setattr(machine& vm, variable* self, const nativeargs& args);
void hasattr(machine& vm, variable* self, const nativeargs& args);
void execcmd(machine& vm, variable* self, const nativeargs& args);

}  // namespace V4VM::builtin
