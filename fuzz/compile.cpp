// Fuzz target: the compiler alone. The input is a program file's bytes; it is compiled with its
// warnings (as by vesk -w) and listed (as by vesk -l). Odd-sized inputs get the short compile reports
// of a quiet run, so both kinds of report are exercised and a finding still replays from its bytes
// alone.

#include <iostream>

#include "common/sourcetext.hpp"
#include "compiler/compile.hpp"
#include "harness.hpp"
#include "main/compilereport.hpp"
#include "main/listing.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string source = astext(data, size);
    endlines(source);
    runisolated([&] {
        compilerequest request;
        request.name = fuzzedfile;
        request.warnings = true;
        compileoutcome compiled = compile(std::move(source), request);
        for (const compilewarning& warning : compiled.warnings) std::cout << warning.text << '\n';
        printcomplaints(compiled);
        if (compiled.failure) {
            printcompilefailure(*compiled.failure, size % 2 == 1);
        } else {
            printlisting(std::cout, compiled.bytes, compiled.positions);
        }
    });
    return 0;
}
