// Fuzz target: a whole program, compiled and run as vesk runs it, in the sandbox. Odd-sized inputs run
// quietly (vesk -q), so both kinds of report are exercised and a finding still replays from its bytes
// alone.

#include "common/sourcetext.hpp"
#include "compiler/compileerror.hpp"
#include "compiler/compiler.hpp"
#include "compiler/packer.hpp"
#include "harness.hpp"
#include "main/run.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string source = astext(data, size);
    endlines(source);
    runisolated([&] {
        bool quiet = size % 2 == 1;
        setshortcompilereports(quiet);
        sourcemap positions = compilesource(fuzzedfile, source);
        runsettings settings = sandboxsettings(quiet);
        settings.positions = &positions;
        runprogram(code, settings);
    });
    return 0;
}
