#pragma once

#include "vm/scope.hpp"
#include "vm/value.hpp"

namespace V4VM {

// The program root's "filesystem" object with its six methods.
variable* getfilesys(machine& vm);

namespace builtin {

void Fexists(machine& vm, variable* self, const scope& args);
void Fisdir(machine& vm, variable* self, const scope& args);
void Fdelete(machine& vm, variable* self, const scope& args);
void Fcreatedir(machine& vm, variable* self, const scope& args);
void Flistdir(machine& vm, variable* self, const scope& args);
void Fcd(machine& vm, variable* self, const scope& args);

}  // namespace builtin
}  // namespace V4VM
