#include "main/run.hpp"

#include <iostream>

#include "vm/vm.hpp"

void listcode(std::ostream& out, const std::vector<byte>& program) {
    out << std::hex;
    for (auto b = program.rbegin(); b != program.rend(); ++b) out << static_cast<int>(*b) << ' ';
}

int runprogram(const std::vector<byte>& program, const machinereporting& reporting) {
    if (!reporting.quiet) {
        std::cout << "compilation finished. starting vm..." << std::endl;
        std::cout << "init..." << std::endl;
        std::cout << "inserting code to codestack..." << std::endl;
        listcode(std::cout, program);
        std::cout << "execution loop..." << std::endl;
    }
    return V4VM::runprogram(program, reporting);
}
