#pragma once

// Hand-built bytecode run in-process, and the machine's output captured.

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "common/process.hpp"
#include "vm/bytecode.hpp"
#include "vm/state.hpp"
#include "vm/vm.hpp"

namespace vmtest {

using bytes = std::vector<byte>;

inline bytes operator+(bytes left, const bytes& right) {
    for (byte b : right) left.push_back(b);  // insert() trips a false array-bounds warning in GCC 12
    return left;
}

inline bytes word(std::uint32_t value) {
    return {byte(value >> 24), byte(value >> 16), byte(value >> 8), byte(value)};
}

// Operands.
inline bytes intop(std::int32_t value) { return bytes{V4VM::INT} + word(static_cast<std::uint32_t>(value)); }
inline bytes floatop(std::uint32_t whole, std::uint32_t fraction) {
    return bytes{V4VM::FLOAT} + word(whole) + word(fraction);
}
inline bytes stringop(const std::string& text) {
    bytes result{V4VM::STRING};
    for (char c : text) result.push_back(static_cast<byte>(c));
    result.push_back(0);
    return result;
}
inline bytes codeop(const bytes& body) {
    return bytes{V4VM::CODE} + word(static_cast<std::uint32_t>(body.size())) + body;
}

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

struct runresult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the work, which must end the process, and returns how it ended.
inline runresult capture(const std::function<void()>& work) {
    runresult result;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    {
        catchprocessend catcher;
        runonlargestack([&] {
            try {
                work();
            } catch (const processended& ended) {
                result.status = ended.status;
            }
        });
    }
    result.out = testing::internal::GetCapturedStdout();
    result.err = testing::internal::GetCapturedStderr();
    return result;
}

// A fresh machine: root scope and program root, no built-ins of the program root.
inline void freshmachine() {
    V4VM::resetmachine();
    V4VM::startmachine();
}

// Runs `program` on a fresh machine as the driver does. The machine's state stays for inspection.
inline runresult run(const bytes& program, const std::function<void()>& setup = {}) {
    freshmachine();
    if (setup) setup();
    V4VM::loadprogram(program);
    return capture([] {
        std::cout << std::hex;
        while (V4VM::hascode()) V4VM::execcycle();
        V4VM::exitprogram();
    });
}

// The first line of the error report.
inline std::string headline(const runresult& result) { return result.err.substr(0, result.err.find('\n')); }

inline std::string machineerror(const std::string& message) { return "VESK 4 VM error: " + message; }
inline std::string moduleerror(const std::string& message) { return "VESK 4 VM error within module: " + message; }

inline const std::string finished = "\n<VESK 4> Program finished.\n";

// Expects `program` to end in the machine error whose first line is `line`.
#define EXPECT_MACHINE_ERROR(program, line)          \
    do {                                             \
        auto failed = ::vmtest::run(program);        \
        EXPECT_EQ(failed.status, 1);                 \
        EXPECT_EQ(::vmtest::headline(failed), line); \
    } while (0)

}  // namespace vmtest
