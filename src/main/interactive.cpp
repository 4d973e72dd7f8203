#include "main/interactive.hpp"

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <deque>
#include <iostream>

#include "common/consoleoutput.hpp"
#include "common/interrupts.hpp"
#include "common/process.hpp"
#include "compiler/compile.hpp"
#include "compiler/splitter.hpp"
#include "lib/session.hpp"
#include "main/compilereport.hpp"
#include "main/linereader.hpp"
#include "main/run.hpp"

namespace {

const std::string firstprompt = "> ";
const std::string moreprompt = "... ";

// The history's file in the user's home folder; none when there is no home to write in.
std::string historyfile() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0' || ::access(home, W_OK) != 0) return "";
    return std::string(home) + "/.vesk_history";
}

// Whether the splitter would find a grouping still open at the end of `text`: more lines follow.
bool incomplete(const std::string& text) { return splitwhole(text).status == 51; }

// One session: the machine, what the entries compiled so far know, and how they went.
class promptsession {
public:
    explicit promptsession(const options& chosen) : chosen(chosen), machine(settingsfor(chosen)) {}

    // Compiles and runs one text; false when it did not compile or ended with an error.
    bool run(std::string text, const std::string& name, std::uint32_t firstline, V4VM::showing show) {
        compilerequest request;
        request.name = name;
        request.firstline = firstline;
        request.warnings = chosen.warn;
        request.defined = defined;
        compileoutcome compiled;
        // The compiler recurses as deep as the text nests.
        runonlargestack([&] { compiled = compile(std::move(text), request); });
        for (const compilewarning& warning : compiled.warnings) std::cerr << warning.text << '\n';
        if (chosen.warn) defined = compiled.assigned;
        printcomplaints(compiled);
        if (compiled.failure) {
            std::cout.flush();
            printcompilefailure(*compiled.failure, true);
            return false;
        }
        if (compiled.oneexpression && show == V4VM::showing::returned) show = V4VM::showing::expression;
        // Every function an entry defines points into its program, and reports through its map.
        const sourcemap& positions = maps.emplace_back(std::move(compiled.positions));
        V4VM::entryoutcome outcome = machine.runentry(compiled.bytes, positions, show);
        if (outcome.consoleclosed) throw processended{closedpipestatus};
        if (!outcome.report.empty()) {
            std::cout.flush();
            std::cerr << outcome.report << std::flush;
        }
        if (outcome.shown) std::cout << *outcome.shown << '\n';
        return !outcome.failed;
    }

    // Flushes and closes the files the entries left open; returns `status`, or 1 for a refusal.
    int close(int status) { return writeclosefailures(status, machine.closefiles()); }

private:
    static runsettings settingsfor(const options& chosen) {
        runsettings settings;  // field by field: the sandbox's fields stay off
        settings.quiet = true;
        settings.maxsteps = chosen.maxsteps;
        settings.maxmemory = chosen.maxmemory;
        return settings;
    }

    const options& chosen;
    V4VM::session machine;
    std::deque<sourcemap> maps;
    knownnames defined;
};

// Reads the lines of one entry, as many as its groupings need. An interrupt drops the entry, the
// end of input (even inside an entry, which is then not run) ends the session.
linereader::result readentry(linereader& input, std::string& entry, std::uint32_t& firstline) {
    entry.clear();
    std::string line;
    do {
        linereader::result got = input.readline(entry.empty() ? firstprompt : moreprompt, line);
        if (got != linereader::result::line) return got;
        if (entry.empty()) firstline = input.linesread();
        input.remember(line);
        entry += line;
        entry += '\n';
    } while (incomplete(entry));
    return linereader::result::line;
}

bool blank(const std::string& text) { return text.find_first_not_of(" \t\r\n") == std::string::npos; }

// Takes the signal caught, if any: Ctrl-C has done its work (the line or the entry is dropped), and
// the number of SIGTERM or SIGHUP, which end the session, is returned; 0 otherwise.
int takeendingsignal() {
    int signal = pendinginterrupt();
    clearinterrupt();
    return signal == SIGINT ? 0 : signal;
}

}  // namespace

int runinteractive(const options& chosen, const std::optional<std::string>& program) {
    promptsession entries(chosen);
    bool failed = false;
    int endingsignal = 0;
    // From here on a signal stops what the session is doing, never the process.
    catchinterrupts();
    try {
        // Made first, so that what FILE reads of standard input counts among the session's lines.
        linereader input(::isatty(STDIN_FILENO) == 1, historyfile(), [] { return pendinginterrupt() != 0; });
        if (program) failed = !entries.run(*program, chosen.file, 1, V4VM::showing::nothing);
        endingsignal = takeendingsignal();
        std::string entry;
        std::uint32_t firstline = 1;
        while (endingsignal == 0) {
            linereader::result got = readentry(input, entry, firstline);
            if (got == linereader::result::end) break;
            if (got == linereader::result::line && !blank(entry) &&
                !entries.run(entry, "<stdin>", firstline, V4VM::showing::returned))
                failed = true;
            endingsignal = takeendingsignal();
        }
    } catch (const processended& ended) {
        // The reader of standard output has gone: the files are still closed.
        entries.close(ended.status);
        restoreinterruptdefaults();
        throw;
    }
    int status = entries.close(failed ? 1 : 0);
    restoreinterruptdefaults();
    // Ended by SIGTERM or SIGHUP, the session ends as a process the signal ended would, its files kept.
    return endingsignal != 0 ? 128 + endingsignal : status;
}
