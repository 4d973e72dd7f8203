#pragma once

#include "vm/native.hpp"

// What start-up puts in a machine: the library opened.
namespace V4VM {

// Fills the method tables of a started machine: the methods of strings, lists, dictionaries and
// pointers.
void openmethods(machine& vm);
// The methods, the table of open files, then the program root's built-ins.
void openlibrary(machine& vm);

}  // namespace V4VM
