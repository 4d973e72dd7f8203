#include "lib/open.hpp"

#include "lib/methods.hpp"
#include "lib/programroot.hpp"

namespace V4VM {

using namespace native;

namespace {

variable* consoleobject(machine& vm, const std::string& mode, const char* objectname,
                        std::shared_ptr<filestream> stream) {
    variable* console = builtin::initfile(vm, mode);
    sethostdata(*console, std::move(stream));
    console->name = name(vm, objectname);
    return console;
}

}  // namespace

variable* programroot::stdoutobject(machine& vm) {
    return consoleobject(vm, "write", "stdout", filestream::console_output());
}

variable* programroot::stdinobject(machine& vm) {
    return consoleobject(vm, "read", "stdin", filestream::console_input());
}

void openmethods(machine& vm) {
    using namespace builtin;
    constexpr vtype function = vtype::custom_func;
    constexpr vtype module = vtype::builtin_module;
    definemethods(vm, methodkind::string, {{"get", strget, module}});
    definemethods(vm, methodkind::list, {
        {"get", Lgetatindex, function},
        {"set", Lsetatindex, function},
        {"append", Lappend, function},
        {"contains", Lcontains, function},
        {"find", Lfind, function},
        {"remove", Lerase, function},
        {"size", Lsize, module},
    });
    definemethods(vm, methodkind::dict, {
        {"get", Dgetindex, function},
        {"set", Dsetindex, function},
        {"contains", Dcontains, function},
        {"keys", Dgetkeys, function},
        {"values", Dgetvalues, function},
        {"size", Dsize, module},
    });
    definemethods(vm, methodkind::pntr, {{"get", pntrget, module}, {"set", pntrset, module}});
}

void openlibrary(machine& vm) {
    openmethods(vm);
    setlibrary(vm, std::make_unique<filetable>());
    variable& root = rootobject(vm);
    for (const programroot::rootentry& entry : programroot::builtins) {
        variable* value = entry.make(vm);
        setmember(vm, root, name(vm, entry.name), value);
    }
}

}  // namespace V4VM
