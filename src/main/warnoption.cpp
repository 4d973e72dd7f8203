#include "main/warnoption.hpp"

#include <iostream>
#include <vector>

#include "common/process.hpp"
#include "common/sourcetext.hpp"
#include "compiler/compiler.hpp"
#include "compiler/packer.hpp"
#include "compiler/warnings.hpp"

bool iswarnoption(std::string_view argument) { return argument == "-w" || argument == "--warn"; }

std::size_t printwarnings(const std::string& source, const std::string& path) {
    std::vector<std::string> found = warnings(source, path);
    for (const std::string& warning : found) std::cerr << warning << '\n';
    return found.size();
}

void warnonly(const std::string& path) {
    std::string source = readsource(path).text;
    std::size_t found = printwarnings(source, path);
    resetpacker();
    bool compiled = true;
    {
        catchprocessend guard;
        try {
            compilecode(source, 0);
        } catch (const processended&) {
            compiled = false;
        }
    }
    endprocess(!compiled ? 2 : found == 0 ? 0 : 1);
}
