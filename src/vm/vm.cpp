#include "vm/vm.hpp"

#include "vm/machine.hpp"

namespace V4VM {

int runprogram(const std::vector<byte>& program, const machinereporting& reporting) {
    machine vm;
    vm.reporting = reporting;
    vm.init();
    vm.loadprogram(program);
    return vm.run();
}

}  // namespace V4VM
