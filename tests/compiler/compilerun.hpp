#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/bytes.hpp"
#include "common/process.hpp"
#include "compiler/compiler.hpp"
#include "compiler/packer.hpp"

// Helpers for compiler tests: building expected byte sequences and running compilations that may end
// the run early.

using bytes = std::vector<byte>;

inline bytes operator+(bytes left, const bytes& right) {
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

// Bytes from a list of values; usable inside test macros, where braces would split the arguments.
template <typename... T>
bytes B(T... values) {
    return bytes{static_cast<byte>(values)...};
}

// A name operand's payload: the text and a 0 byte.
inline bytes str(const std::string& text) {
    bytes out(text.begin(), text.end());
    out.push_back(0);
    return out;
}

inline bytes i32(std::int32_t value) {
    auto u = static_cast<std::uint32_t>(value);
    return {static_cast<byte>(u >> 24), static_cast<byte>(u >> 16), static_cast<byte>(u >> 8), static_cast<byte>(u)};
}

// What a piece of compilation left behind: the emitted code, or the status it ended the run with
// (-1 when it returned), with everything it printed.
struct compileresult {
    int status = -1;
    bytes code;
    std::string out;
    std::string err;
};

// Runs `work` on a large stack with both streams captured; an early end is caught as its status.
inline compileresult capturecompile(const std::function<void()>& work) {
    compileresult result;
    resetpacker();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    try {
        runonlargestack(work);
    } catch (const processended& ended) {
        result.status = ended.status;
    }
    result.out = testing::internal::GetCapturedStdout();
    result.err = testing::internal::GetCapturedStderr();
    result.code = code;
    resetpacker();
    return result;
}

inline compileresult compileprogram(const std::string& source) {
    return capturecompile([&] { compilecode(source, 0); });
}

// The code of a source that must compile.
inline bytes compiled(const std::string& source) {
    compileresult result = compileprogram(source);
    EXPECT_EQ(result.status, -1) << "source: " << source << "\nstderr: " << result.err;
    return result.code;
}

// The message of a compile error (the last line the error report printed).
inline std::string errormessage(const compileresult& result) {
    EXPECT_EQ(result.status, 1);
    std::string err = result.err;
    if (!err.empty() && err.back() == '\n') err.pop_back();
    return err.substr(err.rfind('\n') + 1);
}

inline std::string compileerror(const std::string& source) { return errormessage(compileprogram(source)); }
