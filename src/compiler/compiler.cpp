#include "compiler/compiler.hpp"

// Placeholder compiler: emits nothing. Replaced by the real code generator.
void compilecode(std::string, int) {}
