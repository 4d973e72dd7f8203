#pragma once

#include <cstdint>

// One byte of bytecode, shared by the compiler that writes it and the machine that runs it.
using byte = std::uint8_t;
