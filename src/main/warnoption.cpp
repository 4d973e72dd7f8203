#include "main/warnoption.hpp"

#include <iostream>

#include "common/process.hpp"
#include "main/compilereport.hpp"
#include "main/listing.hpp"

void warnonly(const options& chosen, const compileoutcome& result) {
    for (const compilewarning& warning : result.warnings) std::cerr << warning.text << '\n';
    printcomplaints(result);
    if (result.failure) {
        printcompilefailure(*result.failure, true);
        endprocess(2);
    }
    if (chosen.listing) printlisting(std::cout, result.bytes, result.positions);
    endprocess(result.warnings.empty() ? 0 : 1);
}
