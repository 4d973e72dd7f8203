// Fuzz target: the language server as an editor reaches it. The input is what an editor writes to
// vesk --lsp, framing and all; every message the reader finds is handled, replies going to the
// discarded standard output. Whatever the bytes, the server must end when the input does.

#include <iostream>
#include <sstream>

#include "harness.hpp"
#include "lsp/server.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(astext(data, size));
    runisolated([&] { servelanguage(in, std::cout, std::cerr); });
    return 0;
}
