#include "vm/vm.hpp"

#include <iostream>

#include "vm/collector.hpp"
#include "vm/state.hpp"

namespace V4VM {

void loadprogram(const std::vector<byte>& program) {
    codestack.insert(codestack.begin(), codebody{std::make_shared<const std::vector<byte>>(program), 0});
}

bool hascode() { return !codestack.empty(); }

void resetmachine() {
    datastack.clear();
    callstack.clear();
    databasestack.clear();
    lastdeldatabase = scope();
    globalvars.clear();
    codestack.clear();
    calltrace.clear();
    memory.clear();
    savlvar.reset();
    progroot = nullptr;
    forgetcodebodies();
    resetcollector();
    freeallvariables();
    std::cout << std::dec;
    std::cerr << std::dec;
}

}  // namespace V4VM
