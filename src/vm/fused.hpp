#pragma once

#include "vm/code.hpp"

namespace V4VM {

class machine;

// Carries out a fused run in one step and returns true, or returns false without changing anything
// when one of its instructions could fail or could behave other than the run assumes; the caller then
// runs the instructions one by one.
bool runfused(machine& vm, const fusedrun& run);

}  // namespace V4VM
