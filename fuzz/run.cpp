// Fuzz target: a whole program, compiled and run as vesk runs it, in the sandbox. Odd-sized inputs run
// quietly (vesk -q), so both kinds of report are exercised and a finding still replays from its bytes
// alone.

#include "common/sourcetext.hpp"
#include "compiler/compile.hpp"
#include "harness.hpp"
#include "main/compilereport.hpp"
#include "main/run.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string source = astext(data, size);
    endlines(source);
    runisolated([&] {
        bool quiet = size % 2 == 1;
        compilerequest request;
        request.name = fuzzedfile;
        compileoutcome compiled = compile(std::move(source), request);
        printcomplaints(compiled);
        if (compiled.failure) {
            printcompilefailure(*compiled.failure, quiet);
            return;
        }
        runsettings settings = sandboxsettings(quiet);
        settings.positions = &compiled.positions;
        runprogram(compiled.bytes, settings);
    });
    return 0;
}
