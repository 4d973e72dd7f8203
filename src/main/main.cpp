#include <fcntl.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <new>

#include "common/consoleinput.hpp"
#include "common/consoleoutput.hpp"
#include "common/process.hpp"
#include "main/driver.hpp"

namespace {

// Standard output that failed where no machine was there to report it (the listing, the help, the
// progress lines of a run that never reached the machine) is reported last.
int reportconsolefailure(int status) {
    std::cout.flush();
    int reason = takeconsolefailure();
    if (reason == 0) return status;
    if (reason == EPIPE) return closedpipestatus;
    std::cerr << "vesk: " << writefailure("stdout", reason) << std::endl;
    return status == 0 ? 1 : status;
}

// A standard descriptor that was closed when the run started is reopened on /dev/null, so that no file
// the program opens takes its number and receives what was meant for the console.
void reservestandarddescriptors() {
    for (int descriptor = 0; descriptor <= 2; ++descriptor)
        if (::fcntl(descriptor, F_GETFD) == -1) ::open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY);
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    consoleoutput console;
    consoleinput keyboard;
    reservestandarddescriptors();
    int status = 0;
    try {
        status = runvesk(argc, argv);
    } catch (const processended& ended) {
        status = ended.status;
    } catch (const std::bad_alloc&) {
        // Out of memory in the driver itself, reading the source or listing the program.
        std::cout.flush();
        std::cerr << "vesk: Out of memory." << std::endl;
        status = 1;
    }
    status = reportconsolefailure(status);
    std::fflush(nullptr);
    return status;
}
