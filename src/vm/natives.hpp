#pragma once

#include "vm/scope.hpp"
#include "vm/values.hpp"

// The methods that lists, dictionaries, strings and pointers carry as attributes.
namespace V4VM {

void initlistvar(variable& target);
void initdictvar(variable& target);
void initstringvar(variable& target);
void initpntrvar(variable& target);

namespace builtin {

void Lgetatindex(variable* self, const scope& args);
void Lsetatindex(variable* self, const scope& args);
void Lappend(variable* self, const scope& args);
void Lcontains(variable* self, const scope& args);
void Lfind(variable* self, const scope& args);
void Lerase(variable* self, const scope& args);
void Lsize(variable* self, const scope& args);
void pntrget(variable* self, const scope& args);
void pntrset(variable* self, const scope& args);
void Dgetindex(variable* self, const scope& args);
void Dsetindex(variable* self, const scope& args);
void Dcontains(variable* self, const scope& args);
void Dgetkeys(variable* self, const scope& args);
void Dgetvalues(variable* self, const scope& args);
void Dsize(variable* self, const scope& args);
void strget(variable* self, const scope& args);

}  // namespace builtin
}  // namespace V4VM
