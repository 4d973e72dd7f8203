#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "vm/bytecode.hpp"
#include "vm/scope.hpp"
#include "vm/values.hpp"

// The machine's state. Stacks are vectors whose back is the top.
namespace V4VM {

extern std::vector<variable*> datastack;
extern std::vector<variable*> callstack;      // entered objects; the program root at the bottom
extern std::vector<scope> databasestack;      // local scopes; the root scope at the bottom
extern scope lastdeldatabase;                 // the scope of the body that ended last
extern std::map<std::string, variable*> globalvars;
extern std::vector<codebody> codestack;       // running bodies; the program at the bottom
extern std::vector<variable*> calltrace;      // running functions, for the error report
extern std::vector<variable*> memory;         // STASH and UNSTASH
extern std::optional<scope> savlvar;          // only the newest saved scope is ever read
extern variable* progroot;

// The first steps of init: root scope, program root on callstack and calltrace, global "progroot".
void startmachine();

}  // namespace V4VM
