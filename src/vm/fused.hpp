#pragma once

#include "vm/code.hpp"

namespace V4VM {

class machine;
struct frame;

// Carries out a fused run of the body `top` runs in one step, moving `top` past it, and returns true;
// or returns false without changing anything when one of its instructions could fail or could behave
// other than the run assumes; the caller then runs the instructions one by one. The run may push a
// body: nothing may touch `top` afterwards.
bool runfused(machine& vm, const fusedrun& run, frame& top);

}  // namespace V4VM
