#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/bytes.hpp"
#include "common/process.hpp"
#include "compiler/compilation.hpp"
#include "compiler/compile.hpp"
#include "compiler/compileerror.hpp"

// Helpers for compiler tests: building expected byte sequences and running compilations that may fail.

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

// What a compilation (or a piece of one) left behind: the emitted code, or the status it would end
// the run with (-1 when it compiled) and its message; with what a plain run prints of it.
struct compileresult {
    int status = -1;
    bytes code;
    std::string message;
    std::string out;
    std::string err;
};

inline compileresult resultof(compileoutcome outcome) {
    compileresult result;
    result.code = std::move(outcome.bytes);
    for (std::size_t i = 0; i < outcome.complaints.size(); ++i) result.err += "PARSER FAILURE\n";
    if (outcome.failure) {
        result.status = outcome.failure->status;
        result.message = outcome.failure->message;
        result.out = outcome.failure->plainout;
        result.err += outcome.failure->plainerror("(quip)");
    }
    return result;
}

// A request for the text named so, with everything else as vesk asks.
inline compilerequest requestnamed(std::string name) {
    compilerequest request;
    request.name = std::move(name);
    return request;
}

// Compiles a whole program, on a large stack as vesk does.
inline compileresult compileprogram(const std::string& source,
                                    const compilerequest& request = requestnamed("test.VKEX")) {
    compileresult result;
    runonlargestack([&] { result = resultof(compile(source, request)); });
    return result;
}

// Runs one piece of the compiler in a compilation of its own; a compile error is status 1.
inline compileresult emittedby(const std::function<void(compilation&)>& work) {
    compileresult result;
    moduleresolver modules = builtinthenworkingdirectory;
    compilation c(modules);
    try {
        runonlargestack([&] { work(c); });
        result.code = c.out.bytes();
    } catch (const compileerror& error) {
        result.status = 1;
        result.message = error.message;
    }
    return result;
}

// The code of a source that must compile.
inline bytes compiled(const std::string& source) {
    compileresult result = compileprogram(source);
    EXPECT_EQ(result.status, -1) << "source: " << source << "\nmessage: " << result.message;
    return result.code;
}

// The message of a compile error.
inline std::string errormessage(const compileresult& result) {
    EXPECT_EQ(result.status, 1);
    return result.message;
}

inline std::string errorof(const std::string& source) { return errormessage(compileprogram(source)); }
