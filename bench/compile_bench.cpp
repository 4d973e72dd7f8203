// Times the compiler on a generated program of about 1 MB (straight-line statements, nested blocks and
// long lists), and measures its memory on two large ones: one line of 50 MB and 1,000,000 short lines.
// Compilation must stay linear in the length of the source, and its peak memory within 8 times the
// source plus twice the bytecode (room for the code's buffers to grow).
//
// A large program is written to a file and read and compiled as the driver does, in a child process
// of its own: the child's peak resident memory is then the compile's, with nothing of the benchmark in
// it. Each is compiled again at half its size; the times' ratio near 2 shows the time is linear. Their
// time is processor time, which other work on a shared machine disturbs far less than the clock's.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iostream>
#include <string>

#include "common/process.hpp"
#include "common/sourcetext.hpp"
#include "compiler/compile.hpp"

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

// A table of data written as one list literal on one line: numbers and short strings, `bytes` long.
std::string onelongline(std::size_t bytes) {
    std::string text = "table = [";
    for (int i = 0; text.size() + 2 < bytes; ++i) {
        std::string n = std::to_string(i);
        text += (i ? ", " : "") + (i % 2 ? "\"k" + n + "\"" : n);
    }
    return text + "]\n";
}

// `lines` short lines (a multiple of 10) of assignments, calls and small blocks.
std::string shortlines(int lines) {
    std::string text;
    for (int i = 0; i < lines / 10; ++i) {
        std::string n = std::to_string(i % 1000);
        text += "n" + n + " = (n" + n + "+1)\n";
        text += "if (n" + n + " > 3) {\n";
        text += "    l = [n" + n + ", 2, \"a\"]\n";
        text += "}\n";
        text += "def f" + n + "(a) {\n";
        text += "    return (a*2)\n";
        text += "}\n";
        text += "while (i < 3) { i = (i+1) }\n";
        text += "s.write(str(n" + n + "))\n";
        text += "x = f" + n + "(n" + n + ")\n";
    }
    return text;
}

// Runs `work` in a child process and waits for it; returns the child's peak resident memory in bytes.
long inchild(const std::function<void()>& work) {
    std::cout.flush();
    pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        std::exit(1);
    }
    if (child == 0) {
        work();
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::cerr << "child failed\n";
        std::exit(1);
    }
    return usage.ru_maxrss * 1024L;
}

// Processor time of the whole process: the compile runs on a thread of its own.
double processorseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct measured {
    std::size_t source = 0;
    std::size_t code = 0;
    double seconds = 0;
    long peak = 0;
};

// Generates a program in one child, then reads and compiles it from a file in another, so that the
// generator's memory stays out of the compile's.
measured compilelarge(const std::function<std::string()>& generate) {
    char path[] = "/tmp/vesk_compile_benchXXXXXX";
    int file = mkstemp(path);
    if (file < 0) {
        std::perror("mkstemp");
        std::exit(1);
    }
    close(file);
    inchild([&] {
        std::string source = generate();
        std::ofstream(path, std::ios::binary).write(source.data(), static_cast<std::streamsize>(source.size()));
    });
    int pipeends[2];
    if (pipe(pipeends) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    measured result;
    result.peak = inchild([&] {
        measured inside;
        runonlargestack([&] {
            double start = processorseconds();
            sourceread source = readsource(path);
            inside.source = source.text.size();
            compilerequest request;
            request.name = path;
            compileoutcome compiled = compile(std::move(source.text), request);
            inside.seconds = processorseconds() - start;
            inside.code = compiled.bytes.size();
        });
        if (write(pipeends[1], &inside, sizeof inside) != sizeof inside) _exit(1);
    });
    long peak = result.peak;
    if (read(pipeends[0], &result, sizeof result) != sizeof result) std::exit(1);
    result.peak = peak;
    close(pipeends[0]);
    close(pipeends[1]);
    std::remove(path);
    return result;
}

double megabytes(double bytes) { return bytes / 1e6; }

void reportlarge(const std::string& title, const std::function<std::string(double)>& generate) {
    measured full = compilelarge([&] { return generate(1.0); });
    measured half = compilelarge([&] { return generate(0.5); });
    double bound = 8.0 * static_cast<double>(full.source) + 2.0 * static_cast<double>(full.code);
    std::cout << std::fixed << std::setprecision(1);
    std::cout << title << '\n';
    std::cout << "  source: " << full.source << " bytes\n";
    std::cout << "  code:   " << full.code << " bytes\n";
    std::cout << "  peak:   " << megabytes(static_cast<double>(full.peak)) << " MB, bound 8 x source + 2 x code = "
              << megabytes(bound) << " MB: " << (static_cast<double>(full.peak) <= bound ? "ok" : "NOT MET") << '\n';
    std::cout << "  time:   " << full.seconds * 1000 << " ms; at half size " << half.seconds * 1000 << " ms, ratio "
              << std::setprecision(2) << full.seconds / half.seconds << '\n';
}

}  // namespace

int main() {
    reportlarge("one line of 50 MB", [](double share) {
        return onelongline(static_cast<std::size_t>(50000000 * share));
    });
    reportlarge("1,000,000 short lines", [](double share) { return shortlines(static_cast<int>(1000000 * share)); });

    std::string source;
    while (source.size() < 1000000) {
        source += straightline(2000);
        source += nestedblocks(100, 30);
        source += longlist(20000);
    }
    double seconds = 0;
    std::size_t code = 0;
    runonlargestack([&] {
        // A text of no file: its bytes get no positions.
        compilerequest request;
        request.firstline = 0;
        std::string text = source;
        auto start = std::chrono::steady_clock::now();
        code = compile(std::move(text), request).bytes.size();
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    });
    std::cout << std::defaultfloat << std::setprecision(6);
    std::cout << "mixed program of about 1 MB\n";
    std::cout << "  source: " << source.size() << " bytes\n";
    std::cout << "  code:   " << code << " bytes\n";
    std::cout << "  time:   " << seconds * 1000 << " ms\n";
    return 0;
}
