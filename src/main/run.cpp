#include "main/run.hpp"

#include <iostream>
#include <string>

#include "common/hexbytes.hpp"
#include "vm/vm.hpp"

void listcode(std::ostream& out, const std::vector<byte>& program) {
    // Built as one text and written at once: a program of a megabyte lists three.
    std::string listing;
    listing.reserve(program.size() * 3);
    for (auto b = program.rbegin(); b != program.rend(); ++b) appendhexbyte(listing, *b);
    out << std::hex;
    out.write(listing.data(), static_cast<std::streamsize>(listing.size()));
}

int runprogram(const std::vector<byte>& program, const runsettings& reporting) {
    if (!reporting.quiet) {
        std::cout << "compilation finished. starting vm..." << std::endl;
        std::cout << "init..." << std::endl;
        std::cout << "inserting code to codestack..." << std::endl;
        listcode(std::cout, program);
        std::cout << "execution loop..." << std::endl;
    }
    return V4VM::runprogram(program, reporting);
}
