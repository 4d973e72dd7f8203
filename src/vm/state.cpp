#include "vm/state.hpp"

namespace V4VM {

std::vector<variable*> datastack;
std::vector<variable*> callstack;
std::vector<scope> databasestack;
scope lastdeldatabase;
std::map<std::string, variable*> globalvars;
std::vector<codebody> codestack;
std::vector<variable*> calltrace;
std::vector<variable*> memory;
std::optional<scope> savlvar;
variable* progroot = nullptr;

void startmachine() {
    databasestack.emplace_back();
    progroot = getallocvar();
    progroot->identifier = vtype::builtin_func;
    progroot->name = "PROGRAM_ROOT";
    callstack.push_back(progroot);
    calltrace.push_back(progroot);
    globalvars["progroot"] = progroot;
}

}  // namespace V4VM
