#include "vm/diagnostics.hpp"

#include <iostream>

#include "common/process.hpp"
#include "vm/state.hpp"
#include "vm/vm.hpp"

namespace V4VM {

namespace {

void dumpcode(std::ostream& out) {
    out << "Codestack: " << std::endl;
    out << std::hex;
    while (!codestack.empty()) {
        const codebody& body = codestack.back();
        for (std::size_t at = body.next; body.bytes && at < body.bytes->size(); ++at)
            out << static_cast<int>((*body.bytes)[at]) << ' ';
        out << std::endl << "-------------------------" << std::endl;
        codestack.pop_back();
    }
    out << std::endl;
}

void dumpcalltrace(std::ostream& out) {
    if (calltrace.empty()) return;
    out << "Calltrace: " << std::endl;
    out << "  > " << calltrace.back()->name << std::endl;
    calltrace.pop_back();
    while (!calltrace.empty()) {
        const variable* function = calltrace.back();
        out << (calltrace.size() == 1 ? "  < " : "/\\ ") << function->name
            << " of identifier: " << typetext(function->identifier) << std::endl;
        calltrace.pop_back();
    }
}

void dumpdatastack(std::ostream& out) {
    if (datastack.empty()) return;
    out << "Datastack is as follows:" << std::endl;
    while (!datastack.empty()) {
        const variable* value = datastack.back();
        out << value->name << " with identifier " << typetext(value->identifier) << std::endl;
        datastack.pop_back();
    }
}

}  // namespace

void error(const std::string& target, bool ismodule) {
    std::ostream& out = std::cerr;
    out << std::dec << "VESK 4 VM error" << (ismodule ? " within module" : "") << ": " << target << std::endl;
    dumpcode(out);
    dumpcalltrace(out);
    dumpdatastack(out);
    endprocess(1);
}

void integritycheck() {
    if (codestack.empty()) error("\nVM panic!\nCodestack size = 0, this is not supposed to happen.      \n");
    if (callstack.empty())
        error("\nVM panic!\nCallstack size = 0, did you go out of root?                \n");
    if (databasestack.empty())
        error("\nVM panic!\nDatabasestack size = 0, did you go out of root?                \n");
    if (calltrace.empty())
        std::cerr << "-----------------------------" << std::endl
                  << "Calltrace stack size is 0." << std::endl
                  << "The vm will keep running tho." << std::endl
                  << "This is just a warning." << std::endl
                  << "-----------------------------" << std::endl;
}

void exitprogram() {
    std::cout << std::endl;
    int status = 0;
    if (!datastack.empty() && datastack.back()->identifier == vtype::builtin_int) {
        std::int32_t code = datastack.back()->intval;
        std::cout << "<VESK 4> Program finished with code " << code << std::endl;
        status = code & 0xff;
    } else {
        std::cout << "<VESK 4> Program finished." << std::endl;
    }
    endprocess(status);
}

}  // namespace V4VM
