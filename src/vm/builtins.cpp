#include "vm/state.hpp"
#include "vm/vm.hpp"

// Placeholder until the program root's built-ins exist.
namespace V4VM {

void init() { startmachine(); }

}  // namespace V4VM
