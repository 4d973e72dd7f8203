#include "common/process.hpp"
#include "vm/files.hpp"
#include "vm/filesystem.hpp"
#include "vm/globals.hpp"
#include "vm/moduleapi.hpp"
#include "vm/state.hpp"
#include "vm/vm.hpp"

namespace V4VM {

namespace {

variable* consoleobject(const std::string& mode, const std::string& name, std::shared_ptr<filestream> stream) {
    variable* console = builtin::initfile(mode);
    console->moduleparams["file"] = std::move(stream);
    console->name = name;
    return console;
}

}  // namespace

void init() {
    startmachine();
    atprocessend(closeallfiles);

    auto& root = progroot->attributes;
    variable* output = consoleobject("write", "stdout", filestream::console_output());
    variable* input = consoleobject("read", "stdin", filestream::console_input());
    root["stdout"] = output;
    root["stdin"] = input;

    root["open"] = getnativefunc(builtin::openfile);
    root["sizeof"] = getnativefunc(builtin::sizeoffunc);
    root["varconv"] = getnativefunc(builtin::varconv);
    root["system"] = getnativefunc(builtin::execcmd);
    root["filesystem"] = getfilesys();
    root["hasattr"] = getmodulevar(builtin::hasattr);
    root["getattr"] = getmodulevar(builtin::getattr);
    root["setattr"] = getmodulevar(builtin::setattr);
    root["str"] = getmodulevar(builtin::asstr);
    root["int"] = getmodulevar(builtin::asint);
    root["float"] = getmodulevar(builtin::asfloat);
}

}  // namespace V4VM
