#include "vm/vm.hpp"

#include "vm/machine.hpp"

namespace V4VM {

machinesession::machinesession(const runsettings& settings, void (*open)(machine& vm))
    : vm(std::make_unique<machine>()) {
    vm->settings = settings;
    vm->gc.setcap(settings.maxmemory);
    vm->startmachine();
    open(*vm);
}

machinesession::~machinesession() = default;

runoutcome machinesession::run(const std::vector<byte>& program) {
    vm->loadprogram(program);
    return vm->run();
}

std::vector<std::string> machinesession::closefiles() { return vm->closefiles(); }

}  // namespace V4VM
