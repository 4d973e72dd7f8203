#pragma once

#include <cstddef>
#include <string>

#include "compiler/positions.hpp"

// How compilation fails inside the compiler: by throwing one of these from any depth up to compile(),
// which turns it into the failure it returns (compile.hpp). Nothing is printed on the way.

// A compile error in the statement being compiled; compile() places it there.
struct compileerror {
    std::string message;
};

[[noreturn]] void fail(std::string message);

// The statement splitter met an unbalanced grouping: `status` 51 (left open), 52 or 54 (a closer with
// no opener). `usual` is what a plain run prints on standard output, `message` what a quiet run says at
// `where`, `column` bytes into that line (unknown where the splitter was not given its file's text).
struct splitfailure {
    int status;
    std::string usual;
    std::string message;
    textorigin where;
    std::size_t column;
};
