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

entryoutcome machinesession::runentry(const std::vector<byte>& program, const sourcemap& positions, showing show) {
    return vm->runentry(program, positions, show);
}

std::vector<std::string> machinesession::closefiles() { return vm->closefiles(); }

}  // namespace V4VM
