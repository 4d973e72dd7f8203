#include "compiler/compileerror.hpp"

void fail(std::string message) { throw compileerror{std::move(message)}; }
