#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/bytes.hpp"
#include "common/runsettings.hpp"
#include "common/sourcemap.hpp"

// The virtual machine as the driver sees it.
namespace V4VM {

class machine;

// How a run ended, for the driver to write: the finish line for standard output or the error report
// for standard error (each empty when there is none to write), and the exit status. What the program
// itself writes, and the machine's warnings on the way, go out as they happen.
struct runoutcome {
    int status = 1;
    std::string finish;
    std::string report;
};

// How an entry at a prompt ended: the error report for standard error (empty when it ran to its end,
// as it always is when the reader of standard output has gone), and the value it leaves to show.
struct entryoutcome {
    bool failed = false;
    bool consoleclosed = false;
    std::string report;
    std::optional<std::string> shown;  // the value as `str` writes it, a string in double quotes
};

// Which value an entry shows when it leaves one: none (a file run before the prompt), what a `return`
// of its own returns, or that and the value of an entry that is one expression statement.
enum class showing { nothing, returned, expression };

// A started machine, reporting and bounded as `settings` says, with what `open` then puts in it (its
// library) before the first run.
class machinesession {
public:
    machinesession(const runsettings& settings, void (*open)(machine& vm));
    ~machinesession();
    machinesession(const machinesession&) = delete;
    machinesession& operator=(const machinesession&) = delete;

    // Runs `program` (bytes in execution order).
    runoutcome run(const std::vector<byte>& program);
    // Runs `program` as one more entry of a session in this machine, with what earlier entries made;
    // `positions` (kept as long as the machine) says where its bytes came from. However it ends, the
    // machine is back at its outermost level, the data stack as deep as before. The value it leaves
    // is shown as `show` says.
    entryoutcome runentry(const std::vector<byte>& program, const sourcemap& positions, showing show);
    // Closes every file the program left open; returns the refusals met, to report without a place.
    std::vector<std::string> closefiles();

private:
    std::unique_ptr<machine> vm;
};

}  // namespace V4VM
