#pragma once

#include "vm/scope.hpp"
#include "vm/values.hpp"

namespace V4VM {

// The program root's "filesystem" object with its six methods.
variable* getfilesys();

namespace builtin {

void Fexists(variable* self, const scope& args);
void Fisdir(variable* self, const scope& args);
void Fdelete(variable* self, const scope& args);
void Fcreatedir(variable* self, const scope& args);
void Flistdir(variable* self, const scope& args);
void Fcd(variable* self, const scope& args);

}  // namespace builtin
}  // namespace V4VM
