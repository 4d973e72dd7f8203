#include "main/driver.hpp"

#include <algorithm>
#include <iostream>

#include "common/process.hpp"
#include "common/sourcetext.hpp"
#include "compiler/compiler.hpp"
#include "compiler/packer.hpp"
#include "vm/vm.hpp"

void listcode(std::ostream& out, const std::vector<byte>& bytes) {
    out << std::hex;
    for (byte b : bytes) out << static_cast<int>(b) << ' ';
}

int runvesk(int argc, const char* const* argv) {
    std::cout << std::dec;  // a previous run in this process may have left hexadecimal on
    resetpacker();

    std::cout << "reading file..." << std::endl;
    if (argc != 2) {
        std::cerr << "Too many or not enough arguments." << std::endl;
        endprocess(1);
    }
    std::string source = readsource(argv[1]);
    std::cout << "file read. compiling..." << std::endl;
    compilecode(source, 0);

    std::vector<byte> program = code;
    std::reverse(code.begin(), code.end());
    std::cout << "compilation finished. starting vm..." << std::endl;
    std::cout << "init..." << std::endl;
    std::cout << "inserting code to codestack..." << std::endl;
    listcode(std::cout, code);
    std::cout << "execution loop..." << std::endl;
    return V4VM::runprogram(program);
}
