#include "vm/files.hpp"
#include "vm/filesystem.hpp"
#include "vm/globals.hpp"
#include "vm/machine.hpp"
#include "vm/moduleapi.hpp"

namespace V4VM {

namespace {

variable* consoleobject(machine& vm, const std::string& mode, const char* name, std::shared_ptr<filestream> stream) {
    variable* console = builtin::initfile(vm, mode);
    console->moduleparams()["file"] = std::move(stream);
    console->name = vm.name(name);
    return console;
}

}  // namespace

void machine::init() {
    startmachine();

    variable* output = consoleobject(*this, "write", "stdout", filestream::console_output());
    variable* input = consoleobject(*this, "read", "stdin", filestream::console_input());
    auto add = [this](const char* member, variable* value) { setmember(*progroot, name(member), value); };
    add("stdout", output);
    add("stdin", input);

    add("open", getnativefunc(*this, builtin::openfile));
    add("sizeof", getnativefunc(*this, builtin::sizeoffunc));
    add("varconv", getnativefunc(*this, builtin::varconv));
    add("system", getnativefunc(*this, builtin::execcmd));
    add("filesystem", getfilesys(*this));
    add("hasattr", getmodulevar(*this, builtin::hasattr));
    add("getattr", getmodulevar(*this, builtin::getattr));
    add("setattr", getmodulevar(*this, builtin::setattr));
    add("str", getmodulevar(*this, builtin::asstr));
    add("int", getmodulevar(*this, builtin::asint));
    add("float", getmodulevar(*this, builtin::asfloat));
}

}  // namespace V4VM
