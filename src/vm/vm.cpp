#include "vm/vm.hpp"

#include "vm/machine.hpp"

namespace V4VM {

session::session(const runsettings& settings) : vm(std::make_unique<machine>()) {
    vm->settings = settings;
    vm->gc.setcap(settings.maxmemory);
    vm->init();
}

session::~session() = default;

runoutcome session::run(const std::vector<byte>& program) {
    vm->loadprogram(program);
    return vm->run();
}

std::vector<std::string> session::closefiles() { return vm->closefiles(); }

}  // namespace V4VM
