#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/bytes.hpp"
#include "common/runsettings.hpp"

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
    // Closes every file the program left open; returns the refusals met, to report without a place.
    std::vector<std::string> closefiles();

private:
    std::unique_ptr<machine> vm;
};

}  // namespace V4VM
