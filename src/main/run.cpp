#include "main/run.hpp"

#include <iostream>
#include <string>

#include "common/hexbytes.hpp"
#include "common/interrupts.hpp"
#include "common/positionreport.hpp"
#include "lib/session.hpp"

void listcode(std::ostream& out, const std::vector<byte>& program) {
    // Built as one text and written at once: a program of a megabyte lists three.
    std::string listing;
    listing.reserve(program.size() * 3);
    for (auto b = program.rbegin(); b != program.rend(); ++b) appendhexbyte(listing, *b);
    out.write(listing.data(), static_cast<std::streamsize>(listing.size()));
}

void writeoutcome(const V4VM::runoutcome& outcome) {
    if (!outcome.report.empty()) {
        // Standard output first, so that the two streams keep their order; the report in one write.
        std::cout.flush();
        std::cerr.write(outcome.report.data(), static_cast<std::streamsize>(outcome.report.size()));
        std::cerr.flush();
    }
    if (!outcome.finish.empty()) std::cout << outcome.finish << std::flush;
}

int writeclosefailures(int status, const std::vector<std::string>& failures) {
    for (const std::string& failure : failures) {
        std::cout.flush();
        reportwithoutplace(std::cerr, failure);
        if (status == 0) status = 1;
    }
    return status;
}

int runprogram(const std::vector<byte>& program, const runsettings& reporting) {
    if (!reporting.quiet) {
        std::cout << "compilation finished. starting vm..." << std::endl;
        std::cout << "init..." << std::endl;
        std::cout << "inserting code to codestack..." << std::endl;
        listcode(std::cout, program);
        std::cout << "execution loop..." << std::endl;
    }
    V4VM::session machine(reporting);
    // Until now a signal ends the process as usual: there is nothing of the program's to keep.
    catchinterrupts();
    V4VM::runoutcome outcome = machine.run(program);
    // Before the files are closed: what they still hold comes after what the run wrote to the console.
    writeoutcome(outcome);
    int status = writeclosefailures(outcome.status, machine.closefiles());
    restoreinterruptdefaults();
    // A run a signal ended ends as a process the signal ended would, its files kept.
    if (int signal = pendinginterrupt()) return 128 + signal;
    return status;
}
