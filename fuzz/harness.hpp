#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "common/runsettings.hpp"

// What the fuzz targets share. Each input is a whole compilation or run in this process, and the next
// input must find the process as the first one did: the harness empties a scratch folder and makes it
// the working directory, gives standard input nothing to read, discards everything printed (through
// the usual streams, so that every printing path still runs) and afterwards restores the working
// directory, the console streams with their flags and state, and the compiler's tables.

// The file name programs are compiled under.
inline const std::string fuzzedfile = "fuzz.VKEX";

// The instructions a run may execute: enough for every tested program's loops, few enough that a
// runaway loop costs milliseconds.
inline constexpr std::uint64_t fuzzsteps = 50000;

// A heap of a size every tested program fits in many times over, far below what the sanitizers allow.
inline constexpr std::uint64_t fuzzmemory = std::uint64_t{64} << 20;

// The settings of a run of a program nobody has read: the step budget and the heap's bound, no shell,
// files confined to the scratch folder.
runsettings sandboxsettings(bool quiet);

// The input's bytes as a text.
inline std::string astext(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// Runs `work` as one input, on a large stack as vesk does; an early end (processended) is caught.
// Anything else it throws is a fault and escapes.
void runisolated(const std::function<void()>& work);
