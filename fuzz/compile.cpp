// Fuzz target: the compiler alone. The input is a program file's bytes; it is read for warnings (as by
// vesk -w), compiled and listed (as by vesk -l). Odd-sized inputs get the short compile reports of a
// quiet run, so both kinds of report are exercised and a finding still replays from its bytes alone.

#include <iostream>

#include "common/sourcetext.hpp"
#include "compiler/compileerror.hpp"
#include "compiler/compiler.hpp"
#include "compiler/packer.hpp"
#include "compiler/warnings.hpp"
#include "harness.hpp"
#include "main/listing.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string source = astext(data, size);
    endlines(source);
    runisolated([&] {
        setshortcompilereports(size % 2 == 1);
        for (const std::string& warning : warnings(source, fuzzedfile)) std::cout << warning << '\n';
        sourcemap positions = compilesource(fuzzedfile, source);
        printlisting(std::cout, code, positions);
    });
    return 0;
}
