#include "vm/diagnostics.hpp"

#include <iostream>
#include <sstream>

#include "common/hexbytes.hpp"
#include "vm/errorplace.hpp"
#include "vm/machine.hpp"

namespace V4VM {

namespace {

void dumpcode(machine& vm, std::ostream& out) {
    out << "Codestack: " << '\n';
    while (!vm.codestack.empty()) {
        const frame& body = vm.codestack.back();
        if (body.body != nullptr) {
            auto bytes = body.body->bytes();
            std::string dump;
            for (std::size_t at = body.next; at < bytes.size(); ++at) appendhexbyte(dump, bytes[at]);
            out << dump;
        }
        out << '\n' << "-------------------------" << '\n';
        vm.codestack.pop_back();
    }
    out << '\n';
}

void dumpcalltrace(machine& vm, std::ostream& out) {
    auto& calltrace = vm.calltrace;
    if (calltrace.empty()) return;
    out << "Calltrace: " << '\n';
    out << "  > " << calltrace.back()->name.str() << '\n';
    calltrace.pop_back();
    while (!calltrace.empty()) {
        const variable* function = calltrace.back();
        out << (calltrace.size() == 1 ? "  < " : "/\\ ") << function->name.str()
            << " of identifier: " << typetext(function->identifier) << '\n';
        calltrace.pop_back();
    }
}

void dumpdatastack(machine& vm, std::ostream& out) {
    auto& datastack = vm.datastack;
    if (datastack.empty()) return;
    out << "Datastack is as follows:" << '\n';
    while (!datastack.empty()) {
        const variable* value = datastack.back();
        out << value->name.str() << " with identifier " << typetext(value->identifier) << '\n';
        datastack.pop_back();
    }
}

void writeall(const std::string& report) {
    std::cout.flush();
    std::cerr.write(report.data(), static_cast<std::streamsize>(report.size()));
    std::cerr.flush();
}

}  // namespace

void error(const std::string& message, bool withinmodule) { throw vmerror{message, withinmodule}; }

namespace {
[[noreturn]] void panic(const std::string& message) { throw vmerror{"\nVM panic!\n" + message + "\n", false, true}; }
}  // namespace

void integritycheck(machine& vm) {
    if (vm.codestack.empty()) panic("Codestack size = 0, this is not supposed to happen.      ");
    if (vm.callstack.empty()) panic("Callstack size = 0, did you go out of root?                ");
    if (vm.databasestack.empty()) panic("Databasestack size = 0, did you go out of root?                ");
    if (vm.calltrace.empty())
        writeall("-----------------------------\n"
                 "Calltrace stack size is 0.\n"
                 "The vm will keep running tho.\n"
                 "This is just a warning.\n"
                 "-----------------------------\n");
}

void reporterror(machine& vm, const vmerror& failure) {
    std::string headline = std::string("VESK 4 VM error") + (failure.withinmodule ? " within module" : "") + ": " +
                           failure.message + '\n';
    try {
        std::ostringstream out;
        if (vm.settings.quiet) {
            reportplace(vm, failure, out);
        } else {
            out << headline;
            dumpcode(vm, out);
            dumpcalltrace(vm, out);
            dumpdatastack(vm, out);
        }
        writeall(out.str());
    } catch (const std::bad_alloc&) {
        // Out of memory for the whole report: its first line at least.
        writeall(vm.settings.quiet ? "vesk: " + failure.message + '\n' : headline);
    }
}

int reportfinish(machine& vm) {
    bool coded = !vm.datastack.empty() && vm.datastack.back()->identifier == vtype::builtin_int;
    std::int32_t code = coded ? vm.datastack.back()->intval : 0;
    if (!vm.settings.quiet) {
        std::cout << std::endl;
        if (coded)
            std::cout << "<VESK 4> Program finished with code " << code << std::endl;
        else
            std::cout << "<VESK 4> Program finished." << std::endl;
    }
    return code & 0xff;
}

}  // namespace V4VM
