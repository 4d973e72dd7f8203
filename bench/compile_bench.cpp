// Times the compiler on a generated program of about 1 MB: straight-line statements, nested blocks
// and long lists. Compilation must stay linear in the length of the source.

#include <chrono>
#include <iostream>
#include <string>

#include "common/process.hpp"
#include "compiler/compiler.hpp"
#include "compiler/packer.hpp"

namespace {

std::string straightline(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        std::string n = std::to_string(i);
        text += "x" + n + " = (a" + n + "+b.c[" + n + "]*2.5)\n";
        text += "Gprogroot.stdout.write(str(x" + n + "), \"line\\n\")\n";
    }
    return text;
}

std::string nestedblocks(int count, int depth) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        for (int d = 0; d < depth; ++d) text += std::string(d * 4, ' ') + "if (c" + std::to_string(d) + " and y) {\n";
        text += std::string(depth * 4, ' ') + "z = (z+1)\n";
        for (int d = depth - 1; d >= 0; --d) text += std::string(d * 4, ' ') + "}\n";
        text += "def f" + std::to_string(i) + "(a, b) {\n    for (a) as e { while (e < b) { e = (e+1) } }\n}\n";
    }
    return text;
}

std::string longlist(int elements) {
    std::string text = "l = [";
    for (int i = 0; i < elements; ++i) text += (i ? ", " : "") + std::to_string(i);
    return text + "]\n";
}

}  // namespace

int main() {
    std::string source;
    while (source.size() < 1000000) {
        source += straightline(2000);
        source += nestedblocks(100, 30);
        source += longlist(20000);
    }

    double seconds = 0;
    runonlargestack([&] {
        resetpacker();
        auto start = std::chrono::steady_clock::now();
        compilecode(source, 0);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    });
    std::cout << "source: " << source.size() << " bytes\n";
    std::cout << "code:   " << code.size() << " bytes\n";
    std::cout << "time:   " << seconds * 1000 << " ms\n";
    return 0;
}
