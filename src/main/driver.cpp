#include "main/driver.hpp"

#include <cstring>
#include <iostream>

#include "common/runsettings.hpp"
#include "common/positionreport.hpp"
#include "common/process.hpp"
#include "common/sourcetext.hpp"
#include "compiler/compile.hpp"
#include "lsp/server.hpp"
#include "main/compilereport.hpp"
#include "main/interactive.hpp"
#include "main/listing.hpp"
#include "main/options.hpp"
#include "main/run.hpp"
#include "main/warnoption.hpp"
#include "vm/vm.hpp"

namespace {

// Help, version and usage errors: what the command line alone decides.
void answercommandline(const commandline& line) {
    if (line.plaincount) {
        std::cout << "reading file..." << std::endl;
        std::cerr << "Too many or not enough arguments." << std::endl;
        endprocess(1);
    }
    if (!line.problem.empty()) {
        std::cerr << "vesk: " << line.problem << '\n';
        printusage(std::cerr);
        endprocess(1);
    }
    if (line.chosen.help) {
        printhelp(std::cout);
        endprocess(0);
    }
    if (line.chosen.version) {
        std::cout << "vesk " << VESK_VERSION << std::endl;
        endprocess(0);
    }
}

// Quiet runs and warnings report every error briefly, at its source line where it has one.
bool shortreports(const options& chosen) { return chosen.quiet || chosen.warn || chosen.interactive; }

std::string readprogram(const options& chosen) {
    sourceread source = readsource(chosen.file);
    if (source.failure == 0) return std::move(source.text);
    std::string message = "Cannot read source file: " + chosen.file + ": " + std::strerror(source.failure);
    if (shortreports(chosen)) {
        reportwithoutplace(std::cerr, message);
    } else {
        std::cerr << message << std::endl;
    }
    // With -w, status 1 would say that the program has warnings.
    endprocess(chosen.warn ? 2 : 1);
}

}  // namespace

int runvesk(int argc, const char* const* argv) {
    std::cout << std::dec;  // a previous run in this process may have left hexadecimal on
    commandline line = readcommandline(argc, argv);
    answercommandline(line);
    const options& chosen = line.chosen;
    if (chosen.lsp) return servelanguage(std::cin, std::cout, std::cerr);
    if (chosen.interactive)
        return runinteractive(chosen, chosen.file.empty() ? std::nullopt : std::optional(readprogram(chosen)));
    // Progress lines belong to a plain run only.
    bool progress = !chosen.quiet && !chosen.listing && !chosen.warn;

    if (progress) std::cout << "reading file..." << std::endl;
    std::string source = readprogram(chosen);
    if (progress) std::cout << "file read. compiling..." << std::endl;
    compilerequest request;
    request.name = chosen.file;
    request.warnings = chosen.warn;
    compileoutcome compiled;
    // The compiler and the listing recurse as deep as the program nests; the machine does not, and
    // runs on this thread's stack, however small.
    runonlargestack([&] {
        compiled = compile(std::move(source), request);
        if (chosen.warn) warnonly(chosen, compiled);
        printcomplaints(compiled);
        if (compiled.failure) {
            printcompilefailure(*compiled.failure, shortreports(chosen));
            endprocess(compiled.failure->status);
        }
        if (chosen.listing) {
            printlisting(std::cout, compiled.bytes, compiled.positions);
            endprocess(0);
        }
    });
    runsettings settings;  // field by field: the sandbox's fields stay off
    settings.quiet = chosen.quiet;
    settings.positions = &compiled.positions;
    settings.maxsteps = chosen.maxsteps;
    settings.maxmemory = chosen.maxmemory;
    return runprogram(compiled.bytes, settings);
}
