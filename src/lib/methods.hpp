#pragma once

#include "vm/native.hpp"

// The methods that lists, dictionaries, strings and pointers carry (lib/open.cpp puts them in the
// machine's method tables).
namespace V4VM::builtin {

void Lgetatindex(machine& vm, variable* self, const nativeargs& args);
void Lsetatindex(machine& vm, variable* self, const nativeargs& args);
void Lappend(machine& vm, variable* self, const nativeargs& args);
void Lcontains(machine& vm, variable* self, const nativeargs& args);
void Lfind(machine& vm, variable* self, const nativeargs& args);
void Lerase(machine& vm, variable* self, const nativeargs& args);
void Lsize(machine& vm, variable* self, const nativeargs& args);
void pntrget(machine& vm, variable* self, const nativeargs& args);
void pntrset(machine& vm, variable* self, const nativeargs& args);
void Dgetindex(machine& vm, variable* self, const nativeargs& args);
void Dsetindex(machine& vm, variable* self, const nativeargs& args);
void Dcontains(machine& vm, variable* self, const nativeargs& args);
void Dgetkeys(machine& vm, variable* self, const nativeargs& args);
void Dgetvalues(machine& vm, variable* self, const nativeargs& args);
void Dsize(machine& vm, variable* self, const nativeargs& args);
void strget(machine& vm, variable* self, const nativeargs& args);

}  // namespace V4VM::builtin
