#include "main/warnoption.hpp"

#include <iostream>
#include <optional>
#include <vector>

#include "common/process.hpp"
#include "common/sourcemap.hpp"
#include "compiler/compiler.hpp"
#include "compiler/packer.hpp"
#include "compiler/warnings.hpp"
#include "main/listing.hpp"

namespace {

std::size_t printwarnings(const std::string& source, const std::string& path) {
    std::vector<std::string> found = warnings(source, path);
    for (const std::string& warning : found) std::cerr << warning << '\n';
    return found.size();
}

// Where the program's bytes came from, or nothing when it does not compile: the compile error (or the
// splitter's) is reported as usual, and its status is replaced by the caller's.
std::optional<sourcemap> compileorreport(const std::string& path, std::string source) {
    try {
        return compilesource(path, std::move(source));
    } catch (const processended&) {
        return std::nullopt;
    }
}

}  // namespace

void warnonly(const options& chosen, std::string source) {
    std::size_t found = printwarnings(source, chosen.file);
    std::optional<sourcemap> positions = compileorreport(chosen.file, std::move(source));
    if (!positions) endprocess(2);
    if (chosen.listing) printlisting(std::cout, code, *positions);
    endprocess(found == 0 ? 0 : 1);
}
