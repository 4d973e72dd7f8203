#include "vm/vm.hpp"

#include "vm/machine.hpp"

namespace V4VM {

int runprogram(const std::vector<byte>& program, const runsettings& settings) {
    machine vm;
    vm.settings = settings;
    vm.gc.setcap(settings.maxmemory);
    vm.init();
    vm.loadprogram(program);
    return vm.run();
}

}  // namespace V4VM
