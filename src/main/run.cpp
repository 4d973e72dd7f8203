#include "main/run.hpp"

#include <iostream>

#include "common/process.hpp"
#include "main/finishline.hpp"
#include "vm/vm.hpp"

namespace {

finishlinefilter* quietoutput = nullptr;

void releasequietoutput() {
    if (quietoutput) quietoutput->release();
}

// Standard output through the finish-line filter for the rest of the process.
void dropfinishline() {
    static finishlinefilter filter(std::cout.rdbuf());
    quietoutput = &filter;
    std::cout.rdbuf(&filter);
    atprocessend(releasequietoutput);
}

}  // namespace

void listcode(std::ostream& out, const std::vector<byte>& program) {
    out << std::hex;
    for (auto b = program.rbegin(); b != program.rend(); ++b) out << static_cast<int>(*b) << ' ';
}

void runprogram(const std::vector<byte>& program, const machinereporting& reporting) {
    if (reporting.quiet) {
        dropfinishline();
        V4VM::init();
        V4VM::loadprogram(program);
    } else {
        std::cout << "compilation finished. starting vm..." << std::endl;
        std::cout << "init..." << std::endl;
        V4VM::init();
        std::cout << "inserting code to codestack..." << std::endl;
        listcode(std::cout, program);
        V4VM::loadprogram(program);
        std::cout << "execution loop..." << std::endl;
    }
    while (V4VM::hascode()) V4VM::execcycle();
    V4VM::exitprogram();
}
