// Fuzz target: raw bytes handed to the machine as a compiled program, in the sandbox, as vesk's run
// hands over what it compiled; they are listed first (as by vesk -l), through the listing's own decoder.
// The bytes have no source positions. Odd-sized inputs run quietly, so both kinds of report are
// exercised and a finding still replays from its bytes alone.

#include <iostream>
#include <vector>

#include "harness.hpp"
#include "main/listing.hpp"
#include "main/run.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<byte> program(data, data + size);
    runisolated([&] {
        sourcemap nowhere;
        printlisting(std::cout, program, nowhere);
        runsettings settings = sandboxsettings(size % 2 == 1);
        settings.positions = &nowhere;
        runprogram(program, settings);
    });
    return 0;
}
