#include "main/options.hpp"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

namespace {

// Sets the option named by a short letter or a long name; false when there is no such option.
bool setoption(options& chosen, std::string_view name) {
    if (name == "q" || name == "quiet") {
        chosen.quiet = true;
    } else if (name == "l" || name == "listing") {
        chosen.listing = true;
    } else if (name == "w" || name == "warn") {
        chosen.warn = true;
    } else if (name == "h" || name == "help") {
        chosen.help = true;
    } else if (name == "V" || name == "version") {
        chosen.version = true;
    } else if (name == "i" || name == "interactive") {
        chosen.interactive = true;
    } else if (name == "lsp") {
        chosen.lsp = true;
    } else {
        return false;
    }
    return true;
}

// A count written in decimal, more than 0; 0 when the text is not one.
std::uint64_t readcount(std::string_view text) {
    std::uint64_t count = 0;
    auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), count);
    return failure == std::errc() && end == text.data() + text.size() ? count : 0;
}

// Reads one argument that begins with "-"; returns the problem with it, if any.
std::string readoption(options& chosen, std::string_view argument) {
    if (argument.starts_with("--max-steps=")) {
        chosen.maxsteps = readcount(argument.substr(12));
        if (chosen.maxsteps == 0) return "--max-steps needs a whole number above 0: " + std::string(argument);
        return "";
    }
    if (argument.starts_with("--max-memory=")) {
        // Beyond a tebibyte no cap can be reached on any machine this runs on; refusing it keeps the
        // product in bytes far from overflow.
        constexpr std::uint64_t largest = std::uint64_t{1} << 20;
        std::uint64_t mebibytes = readcount(argument.substr(13));
        if (mebibytes == 0 || mebibytes > largest)
            return "--max-memory needs a whole number of MiB from 1 to " + std::to_string(largest) + ": " +
                   std::string(argument);
        chosen.maxmemory = mebibytes << 20;
        return "";
    }
    if (argument.starts_with("--")) {
        if (!setoption(chosen, argument.substr(2))) return "unknown option: " + std::string(argument);
        return "";
    }
    for (char letter : argument.substr(1)) {
        if (!setoption(chosen, std::string_view(&letter, 1))) return "unknown option: -" + std::string(1, letter);
    }
    return "";
}

}  // namespace

commandline readcommandline(int argc, const char* const* argv) {
    commandline line;
    std::vector<std::string> files;
    bool optionsended = false;
    line.plaincount =
        argc != 2 && std::none_of(argv + 1, argv + argc, [](const char* argument) { return argument[0] == '-'; });
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        // Options stand before FILE; a lone "-" is a file name, as elsewhere.
        if (!optionsended && argument == "--") {
            optionsended = true;
        } else if (!optionsended && argument.size() > 1 && argument[0] == '-') {
            std::string problem = readoption(line.chosen, argument);
            if (!problem.empty() && line.problem.empty()) line.problem = problem;
        } else {
            optionsended = true;
            files.emplace_back(argument);
        }
    }
    if (!line.problem.empty() || line.chosen.help || line.chosen.version) return line;
    if (line.chosen.lsp) {
        if (!files.empty()) line.problem = "--lsp takes no FILE";
        return line;
    }
    if (line.chosen.interactive && line.chosen.listing) {
        line.problem = "-l cannot be used with -i";
    } else if (line.chosen.interactive && files.size() <= 1) {
        if (!files.empty()) line.chosen.file = files.front();
    } else if (files.empty()) {
        line.problem = "no FILE given";
    } else if (files.size() > 1) {
        line.problem = "more than one FILE given";
    } else {
        line.chosen.file = files.front();
    }
    return line;
}

void printusage(std::ostream& out) {
    out << "usage: vesk [-q] [-l] [-w] [-h] [-V] [--max-steps=N] [--max-memory=MiB] [--] FILE\n"
           "       vesk -i [-q] [-w] [--max-steps=N] [--max-memory=MiB] [--] [FILE]"
        << std::endl;
}

void printhelp(std::ostream& out) {
    printusage(out);
    out << "Compiles and runs the VESK 4 program FILE.\n"
           "\n"
           "  -q, --quiet     print only what the program prints; an error is reported at its\n"
           "                  source line as FILE:LINE: message\n"
           "  -l, --listing   compile only and print the bytecode, one instruction a line\n"
           "  -w, --warn      compile only and warn about the language's traps the program\n"
           "                  falls into, as FILE:LINE: warning: ... (before the listing of -l)\n"
           "  --max-steps=N   end the run with a machine error after N instructions\n"
           "  --max-memory=MiB\n"
           "                  end the run with \"Out of memory.\" when the program's live data\n"
           "                  needs more than MiB mebibytes: its values (about 80 bytes each),\n"
           "                  string bytes, list and dictionary entries and member tables\n"
           "  -i, --interactive\n"
           "                  run FILE, if given, then read entries at a prompt and run each in\n"
           "                  the same machine, showing the value of an expression; errors are\n"
           "                  reported as with -q and the session goes on (limits count per entry)\n"
           "  --lsp           serve the Language Server Protocol on standard input and output\n"
           "                  for an editor: diagnostics, symbols, definitions, hovers, completion\n"
           "  -h, --help      print this help and exit\n"
           "  -V, --version   print the version and exit\n"
           "  --              end the options: the next argument is FILE even if it begins with -\n"
           "\n"
           "Exit status: the program's finish code modulo 256 (0 when it leaves none); 1 for a\n"
           "usage, compile or machine error; 51, 52 or 54 for unbalanced brackets or quotes;\n"
           "128 + the signal's number when SIGINT, SIGTERM or SIGHUP stops the run, which then\n"
           "ends with the machine error \"Interrupted.\", its files written out.\n"
           "With -w: 0 without warnings, 1 with warnings, 2 when FILE cannot be read or compiled.\n"
           "With -i: 0 when every entry ran without an error, else 1.\n"
        << std::flush;
}
