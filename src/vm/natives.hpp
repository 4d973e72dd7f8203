#pragma once

#include "vm/scope.hpp"
#include "vm/value.hpp"

// The methods that lists, dictionaries, strings and pointers carry (see methods.hpp for the tables).
namespace V4VM::builtin {

void Lgetatindex(machine& vm, variable* self, const scope& args);
void Lsetatindex(machine& vm, variable* self, const scope& args);
void Lappend(machine& vm, variable* self, const scope& args);
void Lcontains(machine& vm, variable* self, const scope& args);
void Lfind(machine& vm, variable* self, const scope& args);
void Lerase(machine& vm, variable* self, const scope& args);
void Lsize(machine& vm, variable* self, const scope& args);
void pntrget(machine& vm, variable* self, const scope& args);
void pntrset(machine& vm, variable* self, const scope& args);
void Dgetindex(machine& vm, variable* self, const scope& args);
void Dsetindex(machine& vm, variable* self, const scope& args);
void Dcontains(machine& vm, variable* self, const scope& args);
void Dgetkeys(machine& vm, variable* self, const scope& args);
void Dgetvalues(machine& vm, variable* self, const scope& args);
void Dsize(machine& vm, variable* self, const scope& args);
void strget(machine& vm, variable* self, const scope& args);

}  // namespace V4VM::builtin
