#pragma once

#include "vm/values.hpp"

// The methods that lists, dictionaries, strings and pointers carry as attributes.
namespace V4VM {

void initlistvar(variable& target);
void initdictvar(variable& target);
void initstringvar(variable& target);
void initpntrvar(variable& target);

}  // namespace V4VM
