#pragma once

// Hand-built bytecode run in-process on a machine of its own with its output captured, and a fixture
// for tests of values.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "bytecode/opcodes.hpp"
#include "common/process.hpp"
#include "lib/open.hpp"
#include "main/run.hpp"
#include "support/encoding.hpp"
#include "vm/diagnostics.hpp"
#include "vm/machine.hpp"

namespace vmtest {

using encoding::bytes;
using encoding::codeop;
using encoding::floatop;
using encoding::intop;
using encoding::operator+;
using encoding::stringop;
using encoding::word;
using V4VM::machine;
using V4VM::variable;

// Instructions.
inline bytes op(V4VM::opcode code) { return {code}; }
inline bytes op(V4VM::opcode code, const bytes& operand) { return bytes{code} + operand; }
inline bytes op(V4VM::opcode code, const std::string& name) { return op(code, stringop(name)); }
inline bytes pushint(std::int32_t value) { return op(V4VM::PUSHCONST, intop(value)); }
inline bytes pushstring(const std::string& text) { return op(V4VM::PUSHCONST, stringop(text)); }
inline bytes pushfloat(std::uint32_t whole, std::uint32_t fraction) {
    return op(V4VM::PUSHCONST, floatop(whole, fraction));
}
inline bytes call(std::int32_t argnum) { return op(V4VM::CALL, intop(argnum)); }

struct output {
    std::string out;
    std::string err;
};

// Runs `work` on a large stack with both streams captured; standard output is decimal again afterwards.
inline output capture(const std::function<void()>& work) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    runonlargestack(work);
    std::cout << std::dec;
    output result;
    result.out = testing::internal::GetCapturedStdout();
    result.err = testing::internal::GetCapturedStderr();
    return result;
}

struct runresult {
    int status = -1;
    std::string out;
    std::string err;
    std::unique_ptr<machine> vm;  // as the run left it
};

// A fresh machine: root scope, program root and the methods of built-in types, no built-ins of the
// program root.
inline std::unique_ptr<machine> freshmachine() {
    auto vm = std::make_unique<machine>();
    vm->startmachine();
    V4VM::openmethods(*vm);
    return vm;
}

// Runs `program` on a fresh machine and writes how it ended as the driver does.
inline runresult run(const bytes& program, const std::function<void(machine&)>& setup = {}) {
    runresult result;
    result.vm = freshmachine();
    if (setup) setup(*result.vm);
    result.vm->loadprogram(program);
    output printed = capture([&] {
        V4VM::runoutcome outcome = result.vm->run();
        writeoutcome(outcome);
        result.status = writeclosefailures(outcome.status, result.vm->closefiles());
    });
    result.out = printed.out;
    result.err = printed.err;
    return result;
}

// The first line of the error report.
inline std::string headline(const runresult& result) { return result.err.substr(0, result.err.find('\n')); }

inline std::string machineerror(const std::string& message) { return "VESK 4 VM error: " + message; }
inline std::string moduleerror(const std::string& message) { return "VESK 4 VM error within module: " + message; }

// How the report of the machine error that `work` raises begins: the error line without its line end.
// Empty when it raises none. The work runs on a large stack, as the machine does.
inline std::string raised(const std::function<void()>& work) {
    std::string line;
    runonlargestack([&] {
        try {
            work();
        } catch (const V4VM::vmerror& failure) {
            line = (failure.withinmodule ? moduleerror : machineerror)(failure.message);
        }
    });
    return line;
}

inline const std::string finished = "\n<VESK 4> Program finished.\n";

// Expects `program` to end in the machine error whose first line is `line`.
#define EXPECT_MACHINE_ERROR(program, line)          \
    do {                                             \
        auto failed = ::vmtest::run(program);        \
        EXPECT_EQ(failed.status, 1);                 \
        EXPECT_EQ(::vmtest::headline(failed), line); \
    } while (0)

// The member `name` of `owner` (null when absent), built-in methods included.
inline variable* member(machine& vm, variable* owner, const std::string& name) {
    return vm.findmember(*owner, vm.name(name));
}

// A fixture with a fresh machine (no built-ins of the program root) and shorthands for making values.
class machinetest : public testing::Test {
protected:
    void SetUp() override {
        vm.startmachine();
        V4VM::openmethods(vm);
    }

    variable* newint(std::int32_t value) { return vm.newint(value); }
    variable* newfloat(float value) { return vm.newfloat(value); }
    variable* newstring(std::string_view value) { return vm.newstring(value); }
    variable* newlist(std::vector<variable*> elements = {}) { return vm.newlist(std::move(elements)); }
    variable* newdict(const std::vector<std::pair<variable*, variable*>>& entries = {}) {
        variable* dict = vm.getallocvar(V4VM::vtype::builtin_dict);
        dict->identifier = V4VM::vtype::builtin_dict;
        for (auto [key, value] : entries) dict->dictval()[key] = value;
        return dict;
    }
    variable* newobject() {
        variable* object = vm.getallocvar();
        object->identifier = V4VM::vtype::custom_class;
        return object;
    }
    variable* member(variable* owner, const std::string& name) { return vmtest::member(vm, owner, name); }
    void setmember(variable* owner, const std::string& name, variable* value) {
        vm.setmember(*owner, vm.name(name), value);
    }

    machine vm;
};

// The names of every member of `value` in text order, each followed by a blank.
inline std::string membernames(machine& vm, const variable& value) {
    std::vector<std::string> names;
    vm.foreachmembername(value, [&](V4VM::vname name) { names.push_back(name.str()); });
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& name : names) text += name + " ";
    return text;
}

}  // namespace vmtest
