#pragma once

#include <array>
#include <cstddef>

#include "vm/code.hpp"

namespace V4VM {

class machine;
struct frame;

using fusedhandler = bool (*)(machine& vm, const fusedrun& run, frame& top);
extern const std::array<fusedhandler, fusedrun::shapes> fusedhandlers;

// Carries out a fused run of the body `top` runs in one step, moving `top` past it, and returns true;
// or returns false without changing anything when one of its instructions could fail or could behave
// other than the run assumes; the caller then runs the instructions one by one. The run may push a
// body: nothing may touch `top` afterwards. The integrity check must have found every stack holding
// something: it then passes silently for every instruction of the run.
inline bool runfused(machine& vm, const fusedrun& run, frame& top) {
    return fusedhandlers[static_cast<std::size_t>(run.form)](vm, run, top);
}

}  // namespace V4VM
