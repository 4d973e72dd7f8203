#include "vm/vm.hpp"

#include <iostream>

#include "common/process.hpp"

// Placeholder machine: runs nothing and finishes. Replaced by the real machine.
namespace V4VM {

namespace {
std::vector<std::vector<byte>> codestack;
}

void init() {}

void loadprogram(const std::vector<byte>& program) { codestack.push_back(program); }

bool hascode() { return !codestack.empty(); }

void execcycle() { exitprogram(); }

void exitprogram() {
    std::cout << std::endl << "<VESK 4> Program finished." << std::endl;
    endprocess(0);
}

void resetmachine() { codestack.clear(); }

}  // namespace V4VM
