#pragma once

#include "vm/native.hpp"

namespace V4VM {

// The program root's "filesystem" object with its six methods.
variable* getfilesys(machine& vm);

namespace builtin {

void Fexists(machine& vm, variable* self, const nativeargs& args);
void Fisdir(machine& vm, variable* self, const nativeargs& args);
void Fdelete(machine& vm, variable* self, const nativeargs& args);
void Fcreatedir(machine& vm, variable* self, const nativeargs& args);
void Flistdir(machine& vm, variable* self, const nativeargs& args);
void Fcd(machine& vm, variable* self, const nativeargs& args);

}  // namespace builtin
}  // namespace V4VM
