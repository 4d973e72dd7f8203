#include "vm/diagnostics.hpp"

#include <iostream>
#include <sstream>

#include "common/hexbytes.hpp"
#include "vm/errorplace.hpp"
#include "vm/machine.hpp"

namespace V4VM {

namespace {

void dumpcode(const machine& vm, std::ostream& out) {
    out << "Codestack: " << '\n';
    for (auto body = vm.codestack.rbegin(); body != vm.codestack.rend(); ++body) {
        if (body->body != nullptr) {
            auto bytes = body->body->bytes();
            std::string dump;
            for (std::size_t at = body->next; at < bytes.size(); ++at) appendhexbyte(dump, bytes[at]);
            out << dump;
        }
        out << '\n' << "-------------------------" << '\n';
    }
    out << '\n';
}

void dumpcalltrace(const machine& vm, std::ostream& out) {
    const auto& calltrace = vm.calltrace;
    if (calltrace.empty()) return;
    out << "Calltrace: " << '\n';
    out << "  > " << calltrace.back()->name.str() << '\n';
    for (std::size_t below = calltrace.size() - 1; below > 0; --below) {
        const variable* function = calltrace[below - 1];
        out << (below == 1 ? "  < " : "/\\ ") << function->name.str() << " of identifier: " << typetext(function->identifier)
            << '\n';
    }
}

void dumpdatastack(const machine& vm, std::ostream& out) {
    const auto& datastack = vm.datastack;
    if (datastack.empty()) return;
    out << "Datastack is as follows:" << '\n';
    for (auto value = datastack.rbegin(); value != datastack.rend(); ++value)
        out << (*value)->name.str() << " with identifier " << typetext((*value)->identifier) << '\n';
}

void writeall(const std::string& report) {
    std::cout.flush();
    std::cerr.write(report.data(), static_cast<std::streamsize>(report.size()));
    std::cerr.flush();
}

}  // namespace

void error(const std::string& message, bool withinmodule) { throw vmerror{message, withinmodule}; }

void interrupted() { throw vmerror{"Interrupted.", false}; }

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

std::string errorreport(const machine& vm, const vmerror& failure) {
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
        return out.str();
    } catch (const std::bad_alloc&) {
        // Out of memory for the whole report: its first line at least.
        return vm.settings.quiet ? "vesk: " + failure.message + '\n' : headline;
    }
}

std::optional<std::int32_t> finishcode(const machine& vm) {
    if (vm.datastack.empty() || vm.datastack.back()->identifier != vtype::builtin_int) return std::nullopt;
    return vm.datastack.back()->intval;
}

std::string finishline(const machine& vm) {
    if (vm.settings.quiet) return "";
    std::optional<std::int32_t> code = finishcode(vm);
    if (!code) return "\n<VESK 4> Program finished.\n";
    std::ostringstream line;
    line << "\n<VESK 4> Program finished with code " << std::hex << *code << '\n';
    return line.str();
}

}  // namespace V4VM
